# What "cmake --install" and the packages install: the configured program alone, its man page,
# completions and documents. Files that depend on the package or the prefix are placed by
# install_files.cmake.in when installing.
include(GNUInstallDirs)
# The man page names the project's version in its .TH line as it stands in the source tree, so
# that "man -l doc/tolvane.1" reads right there too; a test holds it to the project's version.
configure_file(doc/tolvane.1 ${PROJECT_BINARY_DIR}/tolvane.1 COPYONLY)
set(TOLVANE_MAN_PAGE ${PROJECT_BINARY_DIR}/tolvane.1)
# The documents for the program's users, side by side in one folder, in the zip too: a doc/ below
# share/doc/tolvane/ would repeat the segment, which lintian notes. The README installed with them
# links each by its name alone; a link to a file of the source tree, which an install does not
# have, becomes the file's name as plain text, so that no link in an install leads nowhere.
# The man page is `man tolvane` there, and tolvane.txt beside it in the zip, as is LICENSE.
set(installed_docs doc/security.md doc/output.md)
if(WIN32)
  list(APPEND installed_docs LICENSE)
  set(manual "[tolvane.txt](tolvane.txt)")
else()
  set(manual "`man tolvane`")
endif()
file(READ ${PROJECT_SOURCE_DIR}/README.md readme)
string(REGEX MATCHALL "\\[[^]]*\\]\\([^):#][^):]*\\)" links "${readme}")
foreach(link IN LISTS links)
  string(REGEX REPLACE "^\\[(.*)\\]\\((.*)\\)$" "\\1" text "${link}")
  string(REGEX REPLACE "^\\[(.*)\\]\\((.*)\\)$" "\\2" target "${link}")
  get_filename_component(name "${target}" NAME)
  if(target STREQUAL "doc/tolvane.1")
    string(REPLACE "${link}" "${manual}" readme "${readme}")
  elseif(target IN_LIST installed_docs)
    if(text STREQUAL target)
      set(text "${name}")
    endif()
    string(REPLACE "${link}" "[${text}](${name})" readme "${readme}")
  elseif(text STREQUAL target)
    string(REPLACE "${link}" "`${text}`" readme "${readme}")
  else()
    string(REPLACE "${link}" "${text}" readme "${readme}")
  endif()
endforeach()
if(WIN32)
  # The zip holds none of the files that the sections on building, installing and the source
  # tree name: its README is what tolvane is, its usage, and the zip's own files.
  string(FIND "${readme}" "\n## Build and install\n" build_at)
  string(FIND "${readme}" "\n## Usage\n" usage_at)
  string(FIND "${readme}" "\n## The two builds\n" builds_at)
  string(FIND "${readme}" "\n## License\n" license_at)
  if(build_at EQUAL -1 OR usage_at EQUAL -1 OR builds_at LESS usage_at OR license_at EQUAL -1)
    message(FATAL_ERROR "The zip's README takes README.md's sections up to \"Build and install\", "
                        "\"Usage\" up to \"The two builds\", and \"License\": one is missing")
  endif()
  string(SUBSTRING "${readme}" 0 ${build_at} intro)
  math(EXPR usage_length "${builds_at} - ${usage_at}")
  string(SUBSTRING "${readme}" ${usage_at} ${usage_length} usage)
  string(SUBSTRING "${readme}" ${license_at} -1 license)
  set(readme "${intro}${usage}
## In this zip

- `tolvane.exe`: the program, the build for secrets: it draws from Windows' BCryptGenRandom.
  On Windows the status after a wrong command line is -2 itself, and lines end in CR LF.
- [tolvane.txt](tolvane.txt): the manual: options, rules, output, exit status, caveats.
- [security.md](security.md): the random source, uniformity, entropy per option set, what a
  password leaves behind, the threat model.
- [output.md](output.md): why the output is every byte or a clean stop, and the windows that
  remain.
${license}")
endif()
file(WRITE ${PROJECT_BINARY_DIR}/installed/README.md "${readme}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS README.md)
if(WIN32)
  # The zip's layout: the program and its documents side by side, the man page as plain text.
  install(TARGETS tolvane RUNTIME DESTINATION .)
  add_custom_command(OUTPUT tolvane.txt
    COMMAND sh -c "groff -man -Tascii -P-cbou \"$0\" | sed 's/$/\\r/' > \"$1\""
            ${TOLVANE_MAN_PAGE} ${PROJECT_BINARY_DIR}/tolvane.txt
    DEPENDS ${TOLVANE_MAN_PAGE} VERBATIM)
  add_custom_target(tolvane_text_manual ALL DEPENDS tolvane.txt)
  install(FILES ${PROJECT_BINARY_DIR}/installed/README.md ${installed_docs}
                ${PROJECT_BINARY_DIR}/tolvane.txt DESTINATION .)
  return()
endif()

# The folders the install will create, for the uninstall target to take away again: of each
# folder a file goes to (both of zsh's), those missing now, up to the first that is there, the
# prefix and the staging folder's own included.
set(TOLVANE_INSTALL_FOLDERS ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_MANDIR}/man1 ${CMAKE_INSTALL_DOCDIR}
    ${CMAKE_INSTALL_DATADIR}/bash-completion/completions ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d
    ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions ${CMAKE_INSTALL_DATADIR}/zsh/site-functions)
install(CODE "set(tolvane_missing_folders)
set(tolvane_destdir)
if(DEFINED ENV{DESTDIR} AND NOT \"\$ENV{DESTDIR}\" STREQUAL \"\")
  get_filename_component(tolvane_destdir \"\$ENV{DESTDIR}\" ABSOLUTE)
endif()
foreach(folder ${TOLVANE_INSTALL_FOLDERS})
  set(folder \"\${tolvane_destdir}\${CMAKE_INSTALL_PREFIX}/\${folder}\")
  while(NOT IS_DIRECTORY \"\${folder}\")
    list(APPEND tolvane_missing_folders \"\${folder}/\")
    get_filename_component(folder \"\${folder}\" DIRECTORY)
  endwhile()
endforeach()")
install(TARGETS tolvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Compressed as Debian wants it, without a time stamp (-n) so that builds are identical.
add_custom_command(OUTPUT tolvane.1.gz
  COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${TOLVANE_MAN_PAGE} ${PROJECT_BINARY_DIR}/tolvane.1.gz
  DEPENDS ${TOLVANE_MAN_PAGE} VERBATIM)
add_custom_target(tolvane_compressed_docs ALL DEPENDS tolvane.1.gz)
# The README's build-and-run command builds the program alone; the install that follows it needs
# the man page too.
add_dependencies(tolvane tolvane_compressed_docs)
install(FILES ${PROJECT_BINARY_DIR}/tolvane.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES completions/tolvane.bash RENAME tolvane
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES completions/tolvane.fish DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
install(FILES ${PROJECT_BINARY_DIR}/installed/README.md ${installed_docs}
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
set(TOLVANE_ZSH_COMPLETION_DIR "" CACHE STRING
    "Where _tolvane goes below the prefix (empty: share/zsh/vendor-completions for /usr, \
share/zsh/site-functions otherwise)")
configure_file(cmake/install_files.cmake.in ${PROJECT_BINARY_DIR}/install_files.cmake @ONLY)
install(SCRIPT ${PROJECT_BINARY_DIR}/install_files.cmake)
# cmake --build build --target uninstall: what the last install put in its prefix
# (install_record.txt, install_files.cmake.in), the folders it created included.
configure_file(cmake/uninstall.cmake.in ${PROJECT_BINARY_DIR}/uninstall.cmake @ONLY)
add_custom_target(uninstall COMMAND ${CMAKE_COMMAND} -P ${PROJECT_BINARY_DIR}/uninstall.cmake VERBATIM)
