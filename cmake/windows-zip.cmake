# Two zips, made by `cpack` in the windows build folder, each unpacking to
# one folder:
# - webexam-<version>-Windows.zip, copied to every candidate PC: the client
#   and webexam-check.exe (double-clicked to check a PC), the exam as
#   candidates' PCs get it (1.txt, aa and the sealed exam.sealed) beside
#   them, and clear-marker.bat to double-click before the next exam;
# - webexam-teacher-<version>-Windows.zip, for the teacher's PC only:
#   webexam-grade.exe, webexam-results.exe and webexam-exam.exe with the
#   sealed sample exam beside them (the tools' exam when none is named;
#   webexam-results compares the kept pages with the exam's starting page),
#   the sample exam the teacher edits (exam.txt, model.htm, 1.txt, aa) in
#   the folder sample-exam, where `webexam-exam new` starts from, and the
#   teacher's guide as a web page. The teacher's tools and the editable exam
#   stay off the candidates' PCs: both show what the key looks for.
# File names are ASCII, so that the folders show the same on a Chinese
# Windows 7 (whose zip folder reads names in code page 936) as on Windows 11.
# Each zip names its own folder (CPack would give both the same one).
set(candidate_folder webexam-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME})
set(teacher_folder webexam-teacher-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME})
install(TARGETS webexam webexam-check RUNTIME DESTINATION ${candidate_folder} COMPONENT candidate)
install(TARGETS webexam-grade webexam-results webexam-exam RUNTIME DESTINATION ${teacher_folder}
  COMPONENT teacher)
# The sample exam sealed by the build beside the programs, in both zips.
foreach(component candidate teacher)
  install(FILES ${CMAKE_BINARY_DIR}/bin/1.txt ${CMAKE_BINARY_DIR}/bin/exam.sealed
    DESTINATION ${${component}_folder} COMPONENT ${component})
  install(DIRECTORY ${CMAKE_BINARY_DIR}/bin/aa DESTINATION ${${component}_folder}
    COMPONENT ${component})
endforeach()
install(DIRECTORY exam/ DESTINATION ${teacher_folder}/sample-exam COMPONENT teacher)
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
