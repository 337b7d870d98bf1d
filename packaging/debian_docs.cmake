# The two documents every Debian package carries in usr/share/doc/<package>/, made from the files
# at the root of the repository so that each is written in one place only:
#   copyright      the licence in Debian's machine-readable form, from LICENSE;
#   changelog.gz   CHANGELOG.md in Debian's changelog format (which dpkg and lintian parse).
# Both are made when CMake configures, and again whenever LICENSE or CHANGELOG.md change.

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md)

# copyright: LICENSE's copyright line, and its text from "Permission" on. Debian calls the MIT
# licence "Expat", the name of the one text among the MIT licences that LICENSE holds.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE vex_license_lines)
set(vex_copyright "")
set(vex_license_text "")
foreach(line IN LISTS vex_license_lines)
    if(line MATCHES "^Copyright \\(c\\) (.+)$")
        set(vex_copyright ${CMAKE_MATCH_1})
    elseif(line MATCHES "^Permission" OR NOT vex_license_text STREQUAL "")
        if(line STREQUAL "")
            string(APPEND vex_license_text " .\n")
        else()
            string(APPEND vex_license_text " ${line}\n")
        endif()
    endif()
endforeach()
if(vex_copyright STREQUAL "" OR vex_license_text STREQUAL "")
    message(FATAL_ERROR "LICENSE: no \"Copyright (c) ...\" line or no licence text below it")
endif()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/copyright "\
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Vexlorin
Upstream-Contact: ${CPACK_PACKAGE_CONTACT}

Files: *
Copyright: ${vex_copyright}
License: Expat
${vex_license_text}")

# changelog: each "## VERSION (YYYY-MM-DD)" heading starts an entry, each "- " item is a "  * "
# change, and its continuation lines keep their place under it. The date becomes the entry's
# sign-off time (midnight UTC), so the package is the same from build to build.
file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md vex_changes_lines)
set(vex_changelog "")
set(vex_signoff "")
set(vex_latest_version "")
foreach(line IN LISTS vex_changes_lines)
    if(line MATCHES "^## ([^ ]+) \\(([0-9]+-[0-9]+-[0-9]+)\\)$")
        string(APPEND vex_changelog "${vex_signoff}")
        if(vex_latest_version STREQUAL "")
            set(vex_latest_version ${CMAKE_MATCH_1})
        endif()
        string(APPEND vex_changelog "vexlorin (${CMAKE_MATCH_1}) unstable; urgency=medium\n\n")
        execute_process(COMMAND date -u -R -d ${CMAKE_MATCH_2} OUTPUT_VARIABLE vex_date
                        OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        set(vex_signoff "\n -- ${CPACK_PACKAGE_CONTACT}  ${vex_date}\n\n")
    elseif(vex_signoff STREQUAL "")
        # The introduction above the first version.
    elseif(line MATCHES "^- (.*)$")
        string(APPEND vex_changelog "  * ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^  (.*)$")
        string(APPEND vex_changelog "    ${CMAKE_MATCH_1}\n")
    endif()
endforeach()
string(APPEND vex_changelog "${vex_signoff}")
string(STRIP "${vex_changelog}" vex_changelog)
if(NOT vex_latest_version STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "CHANGELOG.md: the newest version is \"${vex_latest_version}\", the "
                        "project's is ${PROJECT_VERSION}: say what ${PROJECT_VERSION} changed")
endif()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/changelog "${vex_changelog}\n")

# Compressed as Debian's policy has a changelog installed (-n: no name or time stamp inside).
add_custom_command(OUTPUT changelog.gz
    COMMAND ${VEXLORIN_GZIP} -9nc ${CMAKE_CURRENT_BINARY_DIR}/changelog > changelog.gz
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog)
add_custom_target(vexlorin_debian_docs ALL DEPENDS changelog.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
