# A portable folder <prefix>/zovudedoda (the game, the tool, the default library, the icon)
# plus the desktop entry, AppStream metadata and icons under <prefix>/share.
set(ZOVUDEDODA_APP_DIR zovudedoda)
install(TARGETS zovudedoda zovudedoda-db RUNTIME DESTINATION ${ZOVUDEDODA_APP_DIR})
if(TARGET zovudedoda-jet-reader)
  # Beside the game, where the store looks first.
  install(TARGETS zovudedoda-jet-reader RUNTIME DESTINATION ${ZOVUDEDODA_APP_DIR})
endif()
install(FILES data/icons/zovudedoda-48.png DESTINATION ${ZOVUDEDODA_APP_DIR} RENAME zovudedoda.png)
foreach(size 16 32 48 256)
  install(FILES data/icons/zovudedoda-${size}.png
    DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME org.example.Zovudedoda.png)
endforeach()
install(FILES data/icons/zovudedoda.svg
  DESTINATION share/icons/hicolor/scalable/apps RENAME org.example.Zovudedoda.svg)
install(FILES data/org.example.Zovudedoda.metainfo.xml DESTINATION share/metainfo)
install(CODE "
  set(prefix \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  # The default library only where none is: an installed one may hold the player's puzzles.
  set(db \"\${prefix}/${ZOVUDEDODA_APP_DIR}/Zovudedoda.mdb\")
  if(NOT EXISTS \"\${db}\")
    execute_process(COMMAND \"\${prefix}/${ZOVUDEDODA_APP_DIR}/zovudedoda-db\" --db \"\${db}\"
      create --from \"${PROJECT_SOURCE_DIR}/data/library.txt\" RESULT_VARIABLE made)
    if(NOT made EQUAL 0)
      message(FATAL_ERROR \"Could not make the default library \${db}\")
    endif()
  endif()
  set(ZOVUDEDODA_EXEC \"\${CMAKE_INSTALL_PREFIX}/${ZOVUDEDODA_APP_DIR}/zovudedoda\")
  configure_file(\"${PROJECT_SOURCE_DIR}/data/org.example.Zovudedoda.desktop.in\"
    \"\${prefix}/share/applications/org.example.Zovudedoda.desktop\" @ONLY)
")
