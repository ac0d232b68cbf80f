# Installs a release zip as a user would and runs a stand-in scenario on it:
#   cmake -DZIP=<zip> -DARCH=<i686|x86_64> -DPYTHON=<python3> -DCHECK=<release_check.py>
#         -DRUNNER=<wine-run.sh> -DHOST=<Standin.exe> -DSCRIPT=<file> -DWORK=<dir> -P RunPackage.cmake
# The zip is unpacked (and checked) into WORK/program; the sample database becomes QQwry.dat
# there, beside a copy of the host, and the host loads the plug-ins from WORK/program/PlugIns.
# A missing zip skips the test (it is built by tools/release.sh), except under RP_STRICT.
if(NOT EXISTS "${ZIP}")
    if("$ENV{RP_STRICT}" STREQUAL "1")
        message(FATAL_ERROR "${ZIP} is missing: tools/release.sh ${ARCH} builds it")
    endif()
    message("release package not built: ${ZIP} is missing (tools/release.sh ${ARCH} builds it)")
    return()
endif()
file(REMOVE_RECURSE ${WORK})
set(program ${WORK}/program)
execute_process(COMMAND ${PYTHON} ${CHECK} ${ZIP} ${ARCH} ${program} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ZIP} failed its checks")
endif()
file(COPY_FILE ${program}/QQwry.sample.dat ${program}/QQwry.dat)
file(COPY ${HOST} DESTINATION ${program})
get_filename_component(host_name ${HOST} NAME)
execute_process(COMMAND ${RUNNER} ${program}/${host_name} --data ${WORK}/data --plugins ${program}/PlugIns
                        --temp ${WORK} --script ${SCRIPT} --out ${WORK}/scenario.out
                RESULT_VARIABLE result TIMEOUT 240)
set(out "")
if(EXISTS ${WORK}/scenario.out)
    file(READ ${WORK}/scenario.out out)
endif()
message("${out}")
if(NOT result EQUAL 0)
    message(FATAL_ERROR "scenario ${SCRIPT} failed on the unpacked package (exit code ${result})")
endif()
