# The zip a teacher unpacks on each Windows PC, made by `cpack` in the
# windows build folder: one folder holding the four programs, the exam (1.txt
# and aa) beside them, clear-marker.bat to double-click before the next exam
# (webexam-check.exe itself is double-clicked to check a PC), and the
# teacher's guide. File names are ASCII, so that the folder shows the same on
# a Chinese Windows 7 (whose zip folder reads names in code page 936) as on
# Windows 11.
install(TARGETS webexam webexam-grade webexam-check webexam-results RUNTIME DESTINATION .)
install(DIRECTORY exam/ DESTINATION .)

# Notepad on Windows 7 knows UTF-8 by its byte-order mark; batch files and
# Notepad both want CR LF.
set(zip_files ${CMAKE_BINARY_DIR}/zip)
string(ASCII 239 187 191 byte_order_mark)
file(READ ${CMAKE_SOURCE_DIR}/docs/guide.zh-CN.md guide)
string(REPLACE "\n" "\r\n" guide "${guide}")
file(WRITE ${zip_files}/guide.zh-CN.txt "${byte_order_mark}${guide}")
file(READ ${CMAKE_SOURCE_DIR}/packaging/windows/clear-marker.bat text)
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${zip_files}/clear-marker.bat "${text}")
# The copies are remade when a source changes.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/docs/guide.zh-CN.md ${CMAKE_SOURCE_DIR}/packaging/windows/clear-marker.bat)
install(FILES ${zip_files}/guide.zh-CN.txt ${zip_files}/clear-marker.bat DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME "webexam-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
