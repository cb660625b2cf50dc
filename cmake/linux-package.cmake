# The Debian package for Linux lab PCs, made by `cpack -G DEB` in the linux
# build folder: the client and the three tools in /usr/bin, the sample exam
# in /usr/share/webexam/exam, the desktop entry with its icon and AppStream
# metainfo, the man pages, and the teacher's guide with the copyright and
# changelog in /usr/share/doc/webexam.
include(GNUInstallDirs)

set(WEBEXAM_PACKAGING ${CMAKE_SOURCE_DIR}/packaging/linux)
set(WEBEXAM_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/webexam)

install(TARGETS webexam webexam-grade webexam-check webexam-results
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The sample exam: the installed client finds it when the PC has no exam of
# its own in /etc/webexam/exam.
install(DIRECTORY exam/ DESTINATION ${CMAKE_INSTALL_DATADIR}/webexam/exam)
install(FILES ${WEBEXAM_PACKAGING}/org.webexam.webexam.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${WEBEXAM_PACKAGING}/org.webexam.webexam.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${WEBEXAM_PACKAGING}/org.webexam.webexam.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The guide with the pictures it shows.
install(FILES ${WEBEXAM_PACKAGING}/copyright docs/guide.zh-CN.md docs/sign-in.png
              docs/grading-window.png docs/refusal.png
  DESTINATION ${WEBEXAM_DOCDIR})
install(FILES ${WEBEXAM_PACKAGING}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
  RENAME webexam)

# Man pages and the changelog travel compressed, without a time stamp in the
# gzip header, so that the same sources make the same package.
set(compressed)
foreach(source man/webexam.1 man/webexam-check.1 man/webexam-grade.1 man/webexam-results.1
               changelog)
  set(output ${CMAKE_BINARY_DIR}/packaging/${source}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging/man
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${WEBEXAM_PACKAGING}/${source} ${output}
    DEPENDS ${WEBEXAM_PACKAGING}/${source}
    VERBATIM)
  list(APPEND compressed ${output})
endforeach()
add_custom_target(package_files ALL DEPENDS ${compressed})
list(FILTER compressed INCLUDE REGEX "\\.1\\.gz$")
install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${WEBEXAM_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME webexam)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_CONTACT "webexam dev <dev@webexam.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "grader for a practical exam in web page making")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "One copy runs on each candidate PC of a school computer room: the candidate
signs in, edits a web page in a fresh working folder and submits it; the page
is graded against a 22-item key, the result is logged on the PC, a report is
shown, and the PC's first result is sent to the teacher's shared results
folder.

The package holds the exam client (Qt 6) and the teachers' tools
webexam-check (checks a PC before the exam), webexam-results (summarizes the
results share, also as CSV and HTML) and webexam-grade (grades pages), with
a sample exam and a teacher's guide in Chinese.")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The linked libraries come from dpkg-shlibdeps (libqt6gui6 brings Qt's X11
# plugin and ibus's input module). Beyond them: libsmbclient, which the
# programs load with dlopen for an smb:// share, out of dpkg-shlibdeps' sight
# (the version is what its symbols file gives the newest function used,
# smbc_getFunctionReaddirPlus); xdg-open, which opens the candidate's report;
# and a Song-style font, so that Chinese shows on a plain desktop. fcitx5
# needs its own Qt 6 input module for Chinese input.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsmbclient (>= 2:4.9.0+dfsg), xdg-utils, fonts-arphic-uming")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fcitx5-frontend-qt6")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
