# Where `cmake --install` puts things. "portable" makes one folder <prefix>/zovudedoda that holds
# the game, the tool and the library they play on (plus the desktop files under <prefix>/share);
# "system" follows Debian's games layout for a package, with the default library read-only
# under share/games and each player's own library in their data folder.
set(ZOVUDEDODA_INSTALL_LAYOUT portable CACHE STRING "Install layout: portable or system")
set_property(CACHE ZOVUDEDODA_INSTALL_LAYOUT PROPERTY STRINGS portable system)
if(ZOVUDEDODA_INSTALL_LAYOUT STREQUAL "system")
  set(ZOVUDEDODA_BIN_DIR games)
  set(ZOVUDEDODA_DATA_DIR share/games/zovudedoda)
  set(ZOVUDEDODA_PRIVATE_DIR lib/games/zovudedoda)
  # Compiled in: where the shipped default library and the private helper programs are.
  set(ZOVUDEDODA_SHARED_DATA_DIR "${CMAKE_INSTALL_PREFIX}/${ZOVUDEDODA_DATA_DIR}")
  set(ZOVUDEDODA_PRIVATE_EXEC_DIR "${CMAKE_INSTALL_PREFIX}/${ZOVUDEDODA_PRIVATE_DIR}")
elseif(ZOVUDEDODA_INSTALL_LAYOUT STREQUAL "portable")
  set(ZOVUDEDODA_BIN_DIR zovudedoda)
  set(ZOVUDEDODA_DATA_DIR zovudedoda)
  set(ZOVUDEDODA_PRIVATE_DIR zovudedoda)
  # Empty: the library and the helpers lie beside the program.
  set(ZOVUDEDODA_SHARED_DATA_DIR "")
  set(ZOVUDEDODA_PRIVATE_EXEC_DIR "")
else()
  message(FATAL_ERROR "ZOVUDEDODA_INSTALL_LAYOUT must be portable or system")
endif()
