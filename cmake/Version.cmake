# The version of every deliverable comes from the VERSION file at the top of the tree: one to
# four dot-separated numbers, each at most 65535. The numeric resource fields carry it alone;
# the string fields add the git commit. A build is the release's own when its commit is the one
# that last changed VERSION, or carries the tag v<version>; any other build names itself a
# development build in its string version, so that a file's properties never pass it off as the
# release.

file(STRINGS ${CMAKE_SOURCE_DIR}/VERSION rp_version_lines LIMIT_COUNT 1)
string(STRIP "${rp_version_lines}" RP_VERSION)
if(NOT RP_VERSION MATCHES "^[0-9]+(\\.[0-9]+)?(\\.[0-9]+)?(\\.[0-9]+)?$")
    message(FATAL_ERROR "VERSION holds \"${RP_VERSION}\", not one to four dot-separated numbers")
endif()
string(REPLACE "." ";" rp_version_parts "${RP_VERSION}")
list(LENGTH rp_version_parts rp_count)
while(rp_count LESS 4)
    list(APPEND rp_version_parts 0)
    math(EXPR rp_count "${rp_count} + 1")
endwhile()
foreach(part IN LISTS rp_version_parts)
    if(part GREATER 65535)
        message(FATAL_ERROR "VERSION ${RP_VERSION}: ${part} does not fit a 16-bit version field")
    endif()
endforeach()
# Leading zeros would make the resource compiler read octal.
set(RP_VERSION_NUMBERS "")
foreach(part IN LISTS rp_version_parts)
    math(EXPR part "${part}")
    list(APPEND RP_VERSION_NUMBERS ${part})
endforeach()
string(REPLACE ";" "," RP_VERSION_COMMAS "${RP_VERSION_NUMBERS}")

find_package(Git QUIET)
set(RP_COMMIT "")
set(rp_release_commit "")
set(rp_tag_commit "")
if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short=12 HEAD WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE RP_COMMIT OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%h --abbrev=12 -- VERSION
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE rp_release_commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short=12 "v${RP_VERSION}^{commit}"
                    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE rp_tag_commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    # A new commit or a moved tag must regenerate the resources: configure again when HEAD, the
    # branch it names or the tags (a new tag changes the folder's time) change.
    foreach(ref HEAD packed-refs refs/tags)
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --git-path ${ref} WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                        OUTPUT_VARIABLE p OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        list(APPEND rp_git_files ${p})
    endforeach()
    execute_process(COMMAND ${GIT_EXECUTABLE} symbolic-ref -q HEAD WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE branch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(branch)
        execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --git-path ${branch} WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                        OUTPUT_VARIABLE p OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        list(APPEND rp_git_files ${p})
    endif()
    foreach(f IN LISTS rp_git_files)
        if(NOT IS_ABSOLUTE ${f})
            set(f ${CMAKE_SOURCE_DIR}/${f})
        endif()
        if(EXISTS ${f})
            set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${f})
        endif()
    endforeach()
endif()
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/VERSION)

if(NOT RP_COMMIT)
    set(RP_VERSION_STRING "${RP_VERSION} development build, commit unknown")
elseif(RP_COMMIT STREQUAL rp_release_commit OR RP_COMMIT STREQUAL rp_tag_commit)
    set(RP_VERSION_STRING "${RP_VERSION} (${RP_COMMIT})")
else()
    set(RP_VERSION_STRING "${RP_VERSION} development build, commit ${RP_COMMIT}")
endif()

# rp_version_resource(<target> <file description>): gives the target a version resource with
# its output file name as the original file name.
function(rp_version_resource target description)
    get_target_property(type ${target} TYPE)
    get_target_property(name ${target} OUTPUT_NAME)
    if(NOT name)
        set(name ${target})
    endif()
    if(type STREQUAL "EXECUTABLE")
        set(RP_FILE_TYPE VFT_APP)
        set(RP_ORIGINAL_FILENAME ${name}.exe)
    else()
        set(RP_FILE_TYPE VFT_DLL)
        set(RP_ORIGINAL_FILENAME ${name}.dll)
    endif()
    set(RP_INTERNAL_NAME ${name})
    set(RP_FILE_DESCRIPTION "${description}")
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.rc)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/Version.rc.in ${rc} @ONLY)
    enable_language(RC)
    target_sources(${target} PRIVATE ${rc})
endfunction()
