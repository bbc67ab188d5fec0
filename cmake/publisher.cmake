# NERIVO_PUBLISHER and NERIVO_COPYRIGHT_YEARS from the Debian package's copyright file, so
# every build and package names the same owner.
set(copyright_file ${PROJECT_SOURCE_DIR}/packaging/copyright)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${copyright_file})
file(STRINGS ${copyright_file} copyright_line REGEX "^Copyright: " LIMIT_COUNT 1)
if(NOT copyright_line MATCHES "^Copyright: ([0-9, -]+) (.+)$")
    message(FATAL_ERROR "No 'Copyright: YEARS HOLDER' line in ${copyright_file}")
endif()
set(NERIVO_COPYRIGHT_YEARS ${CMAKE_MATCH_1})
set(NERIVO_PUBLISHER ${CMAKE_MATCH_2})
