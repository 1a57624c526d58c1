# One archive with every component: a .tar.gz on Linux, a .zip on Windows, named with the
# project's version and the platform it runs on, e.g. quantifier-0.1.0-linux-x86_64.tar.gz.
set(CPACK_PACKAGE_NAME quantifier)
set(CPACK_PACKAGE_VENDOR "Quantifier")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
if(WIN32)
    set(CPACK_GENERATOR ZIP)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(package_platform windows-x64)
    else()
        set(package_platform windows-x86)
    endif()
else()
    set(CPACK_GENERATOR TGZ)
    string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" package_platform)
endif()
set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-${package_platform}")
# Packages are for running, not debugging: every binary goes in stripped (cpack installs with
# CMAKE_INSTALL_DO_STRIP, using the CMAKE_STRIP of the toolchain, MinGW's for the .zip).
set(CPACK_STRIP_FILES ON)
# The import libraries are excluded from every install: only the three components go in.
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
include(CPack)
