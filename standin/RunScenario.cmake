# Runs one stand-in scenario from CTest with a fresh work folder:
#   cmake -DRUNNER=<wine-run.sh or empty> -DHOST=<Standin.exe> -DSCRIPT=<file> -DWORK=<dir>
#         -DPLUGINS=<file|file|...> [-DBESIDE=<file|file|...>] [-DEXPECT_FAILURE=<regex>]
#         -P RunScenario.cmake
# The plug-ins are copied into WORK/plugins, so files they write there (their configuration)
# never carry over from an earlier run. Fails when the host reports a failed scenario; with
# EXPECT_FAILURE, passes only when the host ran the scenario and reported it failed with output
# matching the regex.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/plugins)
string(REPLACE "|" ";" plugin_files "${PLUGINS}")
foreach(f IN LISTS plugin_files)
    if(f)
        file(COPY ${f} DESTINATION ${WORK}/plugins)
    endif()
endforeach()
# Files that belong beside the host executable: the host is copied into WORK/host with them.
string(REPLACE "|" ";" beside_files "${BESIDE}")
if(beside_files)
    file(MAKE_DIRECTORY ${WORK}/host)
    file(COPY ${HOST} DESTINATION ${WORK}/host)
    foreach(f IN LISTS beside_files)
        if(f)
            file(COPY ${f} DESTINATION ${WORK}/host)
        endif()
    endforeach()
    get_filename_component(host_name ${HOST} NAME)
    set(HOST ${WORK}/host/${host_name})
endif()
set(command ${HOST} --data ${WORK}/data --plugins ${WORK}/plugins --temp ${WORK} --script ${SCRIPT}
    --out ${WORK}/scenario.out)
if(RUNNER)
    set(command ${RUNNER} ${command})
endif()
# A scenario that restarts the client ends the host's process with exit code 3 after a line
# "restart: line N"; the host then runs again on the same folders from that line, as a user
# starting the client again would.
# A host that ends with an error before it has written one line of the scenario never ran it
# (under Wine this has been seen once: exit code 1 after 50 ms, nothing printed). That is not the
# scenario's result, so the host is started again, at most twice, with Wine's error channel on
# to leave a clue; a host that fails the same way three times fails the test.
set(resume "")
set(starts 0)
set(out "")
foreach(run RANGE 22)
    set(before "${out}")
    execute_process(COMMAND ${command} ${resume} RESULT_VARIABLE result TIMEOUT 300)
    # The error channel is on for a repeated start alone, not for the runs resumed after it.
    unset(ENV{RP_WINEDEBUG})
    set(out "")
    if(EXISTS ${WORK}/scenario.out)
        file(READ ${WORK}/scenario.out out)
    endif()
    if(NOT result EQUAL 0 AND out STREQUAL before AND starts LESS 2)
        math(EXPR starts "${starts} + 1")
        message("the host ended with exit code ${result} before running a line; starting it again")
        set(ENV{RP_WINEDEBUG} "err+all,fixme-all")
        execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 2)
        continue()
    endif()
    if(NOT result EQUAL 3 OR NOT out MATCHES "restart: line ([0-9]+)[\r\n]*$")
        break()
    endif()
    set(resume --resume ${CMAKE_MATCH_1})
endforeach()
message("${out}")
if(EXPECT_FAILURE)
    if(NOT result EQUAL 1 OR NOT out MATCHES "result: failed" OR NOT out MATCHES "${EXPECT_FAILURE}")
        message(FATAL_ERROR "scenario ${SCRIPT} did not fail as expected (exit code ${result})")
    endif()
elseif(NOT result EQUAL 0)
    message(FATAL_ERROR "scenario ${SCRIPT} failed (exit code ${result})")
endif()
