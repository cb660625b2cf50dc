# Two zips, made by `cpack` in the windows build folder, each unpacking to
# one folder:
# - webexam-<version>-Windows.zip, copied to every candidate PC: the client
#   and webexam-check.exe (double-clicked to check a PC), the exam (1.txt and
#   aa) beside them, and clear-marker.bat to double-click before the next
#   exam;
# - webexam-teacher-<version>-Windows.zip, for the teacher's PC only:
#   webexam-grade.exe and webexam-results.exe with the exam beside them
#   (webexam-results compares the kept pages with the exam's starting page),
#   and the teacher's guide as a web page. The grading tool stays off the
#   candidates' PCs: run on a candidate's page it shows what the key looks
#   for.
# File names are ASCII, so that the folders show the same on a Chinese
# Windows 7 (whose zip folder reads names in code page 936) as on Windows 11.
# Each zip names its own folder (CPack would give both the same one).
set(candidate_folder webexam-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME})
set(teacher_folder webexam-teacher-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME})
install(TARGETS webexam webexam-check RUNTIME DESTINATION ${candidate_folder} COMPONENT candidate)
install(DIRECTORY exam/ DESTINATION ${candidate_folder} COMPONENT candidate)
install(TARGETS webexam-grade webexam-results RUNTIME DESTINATION ${teacher_folder}
  COMPONENT teacher)
install(DIRECTORY exam/ DESTINATION ${teacher_folder} COMPONENT teacher)
install(FILES ${WEBEXAM_GUIDE_HTML} DESTINATION ${teacher_folder} COMPONENT teacher)

# Batch files want CR LF.
set(zip_files ${CMAKE_BINARY_DIR}/zip)
file(READ ${CMAKE_SOURCE_DIR}/packaging/windows/clear-marker.bat text)
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${zip_files}/clear-marker.bat "${text}")
# The copy is remade when its source changes.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/packaging/windows/clear-marker.bat)
install(FILES ${zip_files}/clear-marker.bat DESTINATION ${candidate_folder} COMPONENT candidate)

set(CPACK_GENERATOR ZIP)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL candidate teacher)
set(CPACK_ARCHIVE_CANDIDATE_FILE_NAME ${candidate_folder})
set(CPACK_ARCHIVE_TEACHER_FILE_NAME ${teacher_folder})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
