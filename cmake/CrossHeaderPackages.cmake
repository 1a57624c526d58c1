# Header-only packages of the build machine, made usable when cross compiling. Their CMake
# packages point at the machine's /usr/include, which must never reach a cross compiler (its
# C library headers would shadow the target's), so each package's own folder of headers is
# linked into a folder of its own and a small package of the same name and version points
# there.
function(quantifier_cross_header_package package header_folder probe_header)
    find_path(${package}_HOST_INCLUDE ${header_folder}/${probe_header}
              PATHS /usr/include /usr/local/include
              NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    find_file(${package}_HOST_VERSION_FILE ${package}ConfigVersion.cmake
              PATHS /usr/share/cmake/${package} /usr/lib/cmake/${package}
                    /usr/share/${package}/cmake /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/cmake/${package}
              NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT ${package}_HOST_INCLUDE OR NOT ${package}_HOST_VERSION_FILE)
        return()  # find_package reports the missing package
    endif()
    set(root ${CMAKE_BINARY_DIR}/cross-packages)
    file(MAKE_DIRECTORY ${root}/include ${root}/${package})
    if(NOT EXISTS ${root}/include/${header_folder})
        file(CREATE_LINK ${${package}_HOST_INCLUDE}/${header_folder}
             ${root}/include/${header_folder} SYMBOLIC)
    endif()
    configure_file(${${package}_HOST_VERSION_FILE} ${root}/${package}/${package}ConfigVersion.cmake
                   COPYONLY)
    file(WRITE ${root}/${package}/${package}Config.cmake
         "if(NOT TARGET ${package}::${package})\n"
         "    add_library(${package}::${package} INTERFACE IMPORTED)\n"
         "    set_target_properties(${package}::${package} PROPERTIES\n"
         "        INTERFACE_INCLUDE_DIRECTORIES \"${root}/include\")\n"
         "endif()\n")
    set(${package}_DIR ${root}/${package} CACHE PATH "" FORCE)
endfunction()

quantifier_cross_header_package(nlohmann_json nlohmann json.hpp)
quantifier_cross_header_package(CLI11 CLI CLI.hpp)
