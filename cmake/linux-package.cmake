# Two Debian packages from one build, made by `cpack -G DEB` in the linux
# build folder:
# - webexam, for every lab PC: the client and webexam-check in /usr/bin, the
#   sample exam as candidates' PCs get it (1.txt, aa/ and the sealed exam
#   file) in /usr/share/webexam/exam, the desktop entry with its icon and
#   AppStream metainfo, their man pages;
# - webexam-teacher, for the teacher's PC only: webexam-grade,
#   webexam-results and webexam-exam with their man pages, the sample exam
#   the teacher edits (exam.txt, model.htm, 1.txt, aa/) in
#   /usr/share/webexam/sample-exam, where `webexam-exam new` starts from, and
#   the teacher's guide as a web page in /usr/share/doc/webexam-teacher. The
#   teacher's tools and the editable exam stay off the lab PCs: both show
#   what the key looks for.
# Each holds its copyright and changelog in /usr/share/doc/<package>.
include(GNUInstallDirs)

set(WEBEXAM_PACKAGING ${CMAKE_SOURCE_DIR}/packaging/linux)

install(TARGETS webexam webexam-check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  COMPONENT candidate)
install(TARGETS webexam-grade webexam-results webexam-exam
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT teacher)
# The sample exam, sealed by the build beside the programs: the installed
# client finds it when the PC has no exam of its own in /etc/webexam/exam.
install(FILES ${CMAKE_BINARY_DIR}/bin/1.txt ${CMAKE_BINARY_DIR}/bin/exam.sealed
  DESTINATION ${CMAKE_INSTALL_DATADIR}/webexam/exam COMPONENT candidate)
install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/aa DESTINATION ${CMAKE_INSTALL_DATADIR}/webexam/exam
  COMPONENT candidate)
# The sample exam as the teacher edits it, with its model answer.
install(DIRECTORY exam/ DESTINATION ${CMAKE_INSTALL_DATADIR}/webexam/sample-exam
  COMPONENT teacher)
install(FILES ${WEBEXAM_PACKAGING}/org.webexam.webexam.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT candidate)
install(FILES ${WEBEXAM_PACKAGING}/org.webexam.webexam.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT candidate)
install(FILES ${WEBEXAM_PACKAGING}/org.webexam.webexam.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT candidate)
install(FILES ${WEBEXAM_PACKAGING}/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME webexam COMPONENT candidate)
install(FILES ${WEBEXAM_PACKAGING}/lintian-overrides-teacher
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME webexam-teacher
  COMPONENT teacher)
install(FILES ${WEBEXAM_GUIDE_HTML} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/webexam-teacher
  COMPONENT teacher)

# Man pages and the changelog travel compressed, without a time stamp in the
# gzip header, so that the same sources make the same packages.
set(compressed)
foreach(source man/webexam.1 man/webexam-check.1 man/webexam-grade.1 man/webexam-results.1
               man/webexam-exam.1 changelog)
  set(output ${CMAKE_BINARY_DIR}/packaging/${source}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging/man
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${WEBEXAM_PACKAGING}/${source} ${output}
    DEPENDS ${WEBEXAM_PACKAGING}/${source}
    VERBATIM)
  list(APPEND compressed ${output})
endforeach()
add_custom_target(package_files ALL DEPENDS ${compressed})
set(man ${CMAKE_BINARY_DIR}/packaging/man)
install(FILES ${man}/webexam.1.gz ${man}/webexam-check.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT candidate)
install(FILES ${man}/webexam-grade.1.gz ${man}/webexam-results.1.gz ${man}/webexam-exam.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT teacher)
foreach(component candidate teacher)
  set(package webexam)
  if(component STREQUAL "teacher")
    set(package webexam-teacher)
  endif()
  install(FILES ${WEBEXAM_PACKAGING}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL candidate teacher)
set(CPACK_PACKAGE_NAME webexam)
set(CPACK_DEBIAN_CANDIDATE_PACKAGE_NAME webexam)
set(CPACK_DEBIAN_TEACHER_PACKAGE_NAME webexam-teacher)
set(CPACK_DEBIAN_PACKAGE_SOURCE webexam)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_CONTACT "webexam dev <dev@webexam.invalid>")
set(CPACK_DEBIAN_CANDIDATE_DESCRIPTION
  "grader for a practical exam in web page making
One copy runs on each candidate PC of a school computer room: the candidate
signs in, edits a web page in a fresh working folder and submits it; the page
is graded against the exam's answer key, the result is logged on the PC, a
report is shown, and the PC's first result is sent to the teacher's shared
results folder.

The package holds the exam client (Qt 6), webexam-check (checks a PC before
the exam) and a sample exam. The teacher's tools are in webexam-teacher.")
set(CPACK_DEBIAN_TEACHER_DESCRIPTION
  "teacher's tools for the webexam practical exam in web page making
For the teacher's PC only, never the candidates': webexam-results (summarizes
the results share of a room, also as CSV and HTML, live during the exam,
against a roster, and regrades the kept pages), webexam-grade (grades
pages as the exam client does, and explains a page's marks for an appeal)
and webexam-exam (starts a new exam from the sample, checks it against its
model answer and seals it for the candidates' PCs), with the editable sample
exam and the teacher's guide in Chinese as a web page.")
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
set(CPACK_DEBIAN_CANDIDATE_PACKAGE_DEPENDS
  "libsmbclient (>= 2:4.9.0+dfsg), xdg-utils, fonts-arphic-uming")
set(CPACK_DEBIAN_CANDIDATE_PACKAGE_RECOMMENDS "fcitx5-frontend-qt6")
set(CPACK_DEBIAN_TEACHER_PACKAGE_DEPENDS "libsmbclient (>= 2:4.9.0+dfsg)")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
