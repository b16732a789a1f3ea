# What "cmake --install" and the packages install: the configured program alone, its man page,
# completions and documents. Files that depend on the package or the prefix are placed by
# install_files.cmake.in when installing.
include(GNUInstallDirs)
# The man page carries the project's version in its .TH line.
configure_file(doc/tolvane.1 ${PROJECT_BINARY_DIR}/tolvane.1 @ONLY)
set(TOLVANE_MAN_PAGE ${PROJECT_BINARY_DIR}/tolvane.1)
if(WIN32)
  # The zip's layout: the program and its documents side by side, the man page as plain text.
  install(TARGETS tolvane RUNTIME DESTINATION .)
  add_custom_command(OUTPUT tolvane.txt
    COMMAND sh -c "groff -man -Tascii -P-cbou \"$0\" | sed 's/$/\\r/' > \"$1\""
            ${TOLVANE_MAN_PAGE} ${PROJECT_BINARY_DIR}/tolvane.txt
    DEPENDS ${TOLVANE_MAN_PAGE} VERBATIM)
  add_custom_target(tolvane_text_manual ALL DEPENDS tolvane.txt)
  install(FILES README.md LICENSE ${PROJECT_BINARY_DIR}/tolvane.txt DESTINATION .)
  return()
endif()

install(TARGETS tolvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Compressed as Debian wants them, without a time stamp (-n) so that builds are identical.
foreach(doc ${TOLVANE_MAN_PAGE} ${PROJECT_SOURCE_DIR}/packaging/debian/changelog)
  get_filename_component(name ${doc} NAME)
  add_custom_command(OUTPUT ${name}.gz
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${doc} ${PROJECT_BINARY_DIR}/${name}.gz
    DEPENDS ${doc} VERBATIM)
  list(APPEND compressed_docs ${name}.gz)
endforeach()
add_custom_target(tolvane_compressed_docs ALL DEPENDS ${compressed_docs})
# The README's build-and-run command builds the program alone; the install that follows it needs
# the man page too.
add_dependencies(tolvane tolvane_compressed_docs)
install(FILES ${PROJECT_BINARY_DIR}/tolvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES completions/tolvane.bash RENAME tolvane
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES completions/tolvane.fish DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The README's links to them, and the man page's, lead somewhere in an install too.
install(FILES doc/security.md doc/output.md DESTINATION ${CMAKE_INSTALL_DOCDIR}/doc)
set(TOLVANE_ZSH_COMPLETION_DIR "" CACHE STRING
    "Where _tolvane goes below the prefix (empty: share/zsh/vendor-completions for /usr, \
share/zsh/site-functions otherwise; the RPM's is always site-functions)")
configure_file(cmake/install_files.cmake.in ${PROJECT_BINARY_DIR}/install_files.cmake @ONLY)
install(SCRIPT ${PROJECT_BINARY_DIR}/install_files.cmake)
