# Shared build rules. Portable folders build both natively (with sanitizers) and for Windows;
# Win32 folders check WIN32 themselves.

if(WIN32)
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0600 WINVER=0x0600)
    add_compile_options(-Wall -Wno-unknown-pragmas)
    set(RP_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    # The 64-bit build runs under the 64-bit loader alone, which also works where the kernel
    # cannot execute 32-bit code; the 32-bit build needs the 32-bit loader.
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(RP_ARCH x86_64)
        set(RP_WINEARCH win64)
        find_program(RP_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
        find_program(RP_WINE NAMES wine64 wine)
    else()
        set(RP_ARCH i686)
        set(RP_WINEARCH win32)
        find_program(RP_WINE NAMES wine)
    endif()
    if(NOT RP_WINE)
        message(FATAL_ERROR "Wine for ${RP_ARCH} is not installed (run tools/setup.sh)")
    endif()
    find_program(RP_OBJDUMP NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-objdump REQUIRED)
    find_program(RP_NM NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-nm REQUIRED)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
    include(${CMAKE_CURRENT_LIST_DIR}/Version.cmake)
    # The same commit built in any folder gives the same bytes, so that a release package can
    # be rebuilt and compared: source paths in the binaries are relative, and the linker leaves
    # out the PE time stamp. (Release builds carry no debug information that would name the
    # build folder.)
    add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=.)
    add_link_options(-Wl,--no-insert-timestamp)
else()
    add_compile_options(-Wall -Wextra -Wno-unused-parameter -g)
    if(RP_FUZZ)
        add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                            -fno-sanitize-recover=undefined)
        add_link_options(-fsanitize=address,undefined)
    elseif(RP_SANITIZE)
        add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
        add_link_options(-fsanitize=address,undefined)
    endif()
endif()

include_directories(${CMAKE_SOURCE_DIR})

# Windows binaries and test programs lie side by side, as a plug-in folder does.
if(WIN32)
    set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endif()

macro(rp_add_googletest)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endmacro()

# rp_test(<name> SOURCES ... [LIBS ...] [WORKING_DIRECTORY dir])
# One GoogleTest executable, registered with CTest. Under the Windows build CTest runs it
# through Wine (CMAKE_CROSSCOMPILING_EMULATOR).
function(rp_test name)
    cmake_parse_arguments(T "" "WORKING_DIRECTORY" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
    if(NOT T_WORKING_DIRECTORY)
        set(T_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    endif()
    add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${T_WORKING_DIRECTORY})
    set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

# rp_fuzzer(<name> SOURCES ... LIBS ...): a libFuzzer executable in RP_FUZZ builds. In the
# native test build the same target becomes replay_<name>, a CTest that runs every saved input
# (fuzz/<folder>/corpus/<name> and fuzz/<folder>/crashes/<name>) once under the sanitizers.
function(rp_fuzzer name)
    cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
    if(RP_FUZZ)
        add_executable(${name} ${F_SOURCES})
        target_link_libraries(${name} PRIVATE ${F_LIBS})
        target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    else()
        add_executable(replay_${name} ${F_SOURCES} ${CMAKE_SOURCE_DIR}/fuzz/ReplayMain.cpp)
        target_link_libraries(replay_${name} PRIVATE ${F_LIBS})
        add_test(NAME replay_${name}
                 COMMAND replay_${name} ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name}
                         ${CMAKE_CURRENT_SOURCE_DIR}/crashes/${name})
        set_tests_properties(replay_${name} PROPERTIES TIMEOUT 600)
    endif()
endfunction()
