# webexam_windows_resources(TARGET DESCRIPTION LEVEL): gives a Windows program
# its resources: the manifest (LEVEL is requireAdministrator for a program
# that writes into drive C:'s root and C:\Windows, else asInvoker), the
# version with the program's description, and the icon all programs share.
# Nothing elsewhere.
function(webexam_windows_resources target description level)
  if(NOT WIN32)
    return()
  endif()
  set(WEBEXAM_RESOURCE_NAME ${target})
  set(WEBEXAM_RESOURCE_DESCRIPTION "${description}")
  set(WEBEXAM_RESOURCE_LEVEL ${level})
  set(numbers ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH}
            ${PROJECT_VERSION_TWEAK})
  list(TRANSFORM numbers REPLACE "^$" "0")
  list(LENGTH numbers count)
  while(count LESS 4)
    list(APPEND numbers 0)
    list(LENGTH numbers count)
  endwhile()
  list(JOIN numbers "." WEBEXAM_RESOURCE_VERSION)
  list(JOIN numbers "," WEBEXAM_RESOURCE_VERSION_COMMAS)
  set(WEBEXAM_RESOURCE_ICON ${PROJECT_SOURCE_DIR}/src/resources/webexam.ico)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
  set(WEBEXAM_RESOURCE_MANIFEST ${dir}/${target}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/src/resources/program.manifest.in
                 ${WEBEXAM_RESOURCE_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/src/resources/program.rc.in ${dir}/${target}.rc @ONLY)
  # The descriptions are Chinese: the script is read as UTF-8.
  set_source_files_properties(${dir}/${target}.rc PROPERTIES
    COMPILE_OPTIONS "--codepage=65001"
    OBJECT_DEPENDS "${WEBEXAM_RESOURCE_ICON};${WEBEXAM_RESOURCE_MANIFEST}")
  target_sources(${target} PRIVATE ${dir}/${target}.rc)
endfunction()
