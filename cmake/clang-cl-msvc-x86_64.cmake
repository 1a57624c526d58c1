# The engine's own ABI (the Microsoft C++ ABI) for 64-bit Windows, cross-compiled: clang-cl in
# MSVC mode and lld-link. MinGW-w64's C and C++ library headers stand in for Microsoft's, which
# are not installable here; the C runtime is the one Windows (or Wine) ships, reached through
# Wine's import libraries. No compiler's own library is linked (/nodefaultlib): the project's
# msvc/ folder gives what Microsoft's start-up code and C++ library would. Programs run under
# Wine (scripts/msvc-run.sh). scripts/msvc-check.sh compiles with these same flags (msvc/CMakeLists.txt writes them).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CMAKE_CXX_COMPILER clang-cl-14)
set(CMAKE_LINKER lld-link-14)
set(CMAKE_AR llvm-lib-14)
set(CMAKE_RC_COMPILER llvm-rc-14)
set(CMAKE_MT llvm-mt-14)
set(QUANTIFIER_MSVC_ABI ON)
# A test program cannot link before the project's own start-up code exists.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_MSVC_RUNTIME_LIBRARY MultiThreadedDLL)
# ccache takes clang-cl-14 for a GCC-style compiler and would store its objects under other names.
set(CMAKE_CXX_COMPILER_LAUNCHER "")

execute_process(COMMAND x86_64-w64-mingw32-g++-posix -print-file-name=include
                OUTPUT_VARIABLE mingw_gcc_include OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
set(mingw_cxx_include ${mingw_gcc_include}/c++)
# MinGW-w64's headers take their GCC branches only when they see GCC and a __declspec macro,
# and libstdc++ needs strict ANSI mode. Its thread layer must not refer to the threads library
# weakly: lld-link turns an unresolved weak reference into a call to a truncated absolute 0,
# without an error.
string(JOIN " " CMAKE_CXX_FLAGS_INIT
    --target=x86_64-pc-windows-msvc /clang:-fgnuc-version=12
    "\"/D__declspec(x)=__declspec(x)\"" /D__STRICT_ANSI__ /D_GLIBCXX_GTHREAD_USE_WEAK=0
    -imsvc ${mingw_cxx_include} -imsvc ${mingw_cxx_include}/x86_64-w64-mingw32
    -imsvc /usr/x86_64-w64-mingw32/include)

# Wine's import libraries under the names a Microsoft linker looks for (kernel32.lib, ...).
set(QUANTIFIER_WINE_IMPORT_LIBS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
set(import_libs ${CMAKE_BINARY_DIR}/import-libs)
file(MAKE_DIRECTORY ${import_libs})
foreach(dll kernel32 user32 shell32 ucrtbase vcruntime140)
    if(NOT EXISTS ${QUANTIFIER_WINE_IMPORT_LIBS}/lib${dll}.a)
        message(FATAL_ERROR "Wine's lib${dll}.a is missing: scripts/deps.sh libwine-dev")
    endif()
    file(CREATE_LINK ${QUANTIFIER_WINE_IMPORT_LIBS}/lib${dll}.a ${import_libs}/${dll}.lib SYMBOLIC)
endforeach()
foreach(kind EXE SHARED MODULE)
    set(CMAKE_${kind}_LINKER_FLAGS_INIT "/nodefaultlib /manifest:no /libpath:${import_libs}")
endforeach()
# Every module may use the C runtime and the system; the linker keeps only what is used.
set(CMAKE_CXX_STANDARD_LIBRARIES "ucrtbase.lib vcruntime140.lib kernel32.lib" CACHE STRING
    "Libraries linked into every module" FORCE)
