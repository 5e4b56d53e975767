# Portable layout: a folder <prefix>/zovudedoda (the game, the tool, the default library, the
# icon). System layout: the programs in <prefix>/games, the default library in
# <prefix>/share/games/zovudedoda, manual pages in section 6. Both put the desktop entry,
# AppStream metadata and icons under <prefix>/share. See cmake/InstallLayout.cmake.
install(TARGETS zovudedoda zovudedoda-db RUNTIME DESTINATION ${ZOVUDEDODA_BIN_DIR})
# The reader of earlier-version libraries is started by the game, never by the player.
if(TARGET zovudedoda-jet-reader)
  install(TARGETS zovudedoda-jet-reader RUNTIME DESTINATION ${ZOVUDEDODA_PRIVATE_DIR})
endif()
if(ZOVUDEDODA_INSTALL_LAYOUT STREQUAL "portable")
  install(FILES data/icons/zovudedoda-48.png DESTINATION ${ZOVUDEDODA_BIN_DIR}
    RENAME zovudedoda.png)
else()
  install(FILES docs/man/zovudedoda.6 docs/man/zovudedoda-db.6 DESTINATION share/man/man6)
  # Where bash-completion looks for a command's completion when it is first typed.
  install(FILES tools/zovudedoda-db/zovudedoda-db.bash
    DESTINATION share/bash-completion/completions RENAME zovudedoda-db)
endif()
foreach(size 16 32 48 256)
  install(FILES data/icons/zovudedoda-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME org.example.Zovudedoda.png)
endforeach()
install(FILES data/icons/zovudedoda.svg
  DESTINATION share/icons/hicolor/scalable/apps RENAME org.example.Zovudedoda.svg)
install(FILES data/org.example.Zovudedoda.metainfo.xml DESTINATION share/metainfo)
# The default library the build made, only where none is: in a portable folder it may hold the
# player's puzzles. Read by every player, written by none in the system layout: each copies it
# into their own folder.
install(CODE "
  set(db \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ZOVUDEDODA_DATA_DIR}/${ZOVUDEDODA_LIBRARY_FILE_NAME}\")
  if(EXISTS \"\${db}\")
    message(STATUS \"Kept: \${db}\")
  else()
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${ZOVUDEDODA_DATA_DIR}\" TYPE FILE
      PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ FILES \"${ZOVUDEDODA_SHIPPED_DB}\")
  endif()
")
install(CODE "
  set(prefix \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  set(ZOVUDEDODA_EXEC \"\${CMAKE_INSTALL_PREFIX}/${ZOVUDEDODA_BIN_DIR}/zovudedoda\")
  configure_file(\"${PROJECT_SOURCE_DIR}/data/org.example.Zovudedoda.desktop.in\"
    \"\${prefix}/share/applications/org.example.Zovudedoda.desktop\" @ONLY)
")
