# webexam_seal_exam(NAME SOURCE OUT): a target NAME, built by default, that
# writes the candidates' copy of the exam in folder SOURCE (1.txt, aa/ and
# the sealed exam file) into folder OUT, with a webexam-exam that runs on this
# machine.
#
# A native build uses its own webexam-exam. A cross-build (the Windows
# programs made on Debian) cannot run its programs here, so it first builds
# webexam-exam once more from the same sources with this machine's compiler,
# in host-tools/ of the build folder, and seals with that one. The host build
# is configured once; later builds only bring it up to date with the sources.
include_guard(GLOBAL)

if(CMAKE_CROSSCOMPILING)
  include(ExternalProject)
  set(WEBEXAM_HOST_TOOLS ${CMAKE_BINARY_DIR}/host-tools)
  set(WEBEXAM_HOST_EXAM_TOOL ${WEBEXAM_HOST_TOOLS}/bin/webexam-exam)
  # Everything but the toolchain: the host compiler is the one CMake finds on
  # its own here, with no CC, CXX or toolchain file handed down. Built as the
  # Linux programs are, whose build holds these sources free of warnings.
  ExternalProject_Add(webexam_host_exam_tool
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${WEBEXAM_HOST_TOOLS}
    PREFIX ${CMAKE_BINARY_DIR}/host-tools-stamps
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWEBEXAM_EXAM_TOOL_ONLY=ON
               -DWEBEXAM_BUILD_TESTS=OFF -DWEBEXAM_BUILD_BENCHMARKS=OFF
               -DWEBEXAM_WERROR=${WEBEXAM_WERROR}
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${WEBEXAM_HOST_TOOLS} --target webexam-exam
    # Always asked, so that a change to the exam file's reader reaches the
    # host's tool too; an up-to-date build does nothing.
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    BUILD_BYPRODUCTS ${WEBEXAM_HOST_EXAM_TOOL})
endif()

function(webexam_seal_exam name source out)
  if(CMAKE_CROSSCOMPILING)
    set(tool ${WEBEXAM_HOST_EXAM_TOOL})
    set(tool_target webexam_host_exam_tool)
  else()
    set(tool $<TARGET_FILE:webexam-exam>)
    set(tool_target webexam-exam)
  endif()
  add_custom_target(${name} ALL
    COMMAND ${tool} seal ${source} ${out}
    COMMENT "Sealing the exam ${source} into ${out}"
    VERBATIM)
  add_dependencies(${name} ${tool_target})
endfunction()
