# The teacher's guide as one HTML page that any browser reads with no network:
# docs/guide.zh-CN.md with the pictures it shows put inside the page, made by
# scripts/guide-html.py (Debian's python3-markdown) for the teacher's package.
set(WEBEXAM_GUIDE_HTML ${CMAKE_BINARY_DIR}/guide/guide.zh-CN.html)
file(GLOB guide_pictures CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/*.png)
add_custom_command(OUTPUT ${WEBEXAM_GUIDE_HTML}
  COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/scripts/guide-html.py
          ${CMAKE_SOURCE_DIR}/docs/guide.zh-CN.md ${WEBEXAM_GUIDE_HTML}
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/guide-html.py ${CMAKE_SOURCE_DIR}/docs/guide.zh-CN.md
          ${guide_pictures}
  COMMENT "Making the teacher's guide page"
  VERBATIM)
add_custom_target(guide_html ALL DEPENDS ${WEBEXAM_GUIDE_HTML})
