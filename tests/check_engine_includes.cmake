# The engine side (tools/quantifier-run/engine) is also built in the engine's own ABI, where only
# the engine's headers, the hosting services, the plug-in's header-only tables and the core of the
# C++ library are at hand. This finds, on any system, an include that only that build would
# refuse: every header an engine-side file reaches, directly or through another allowed header,
# must be one of these.
#
#   cmake -DSOURCE_DIR=<the project's folder> -P check_engine_includes.cmake
cmake_minimum_required(VERSION 3.25)

# The C++ library headers the engine's own ABI build supports: those the engine side used when
# that build was set up. A header joins the list once that build is shown to compile and link it.
set(allowed_library_headers
    algorithm array cctype cmath concepts cstddef cstdint cstdio cstring functional initializer_list
    iterator limits map memory new optional span stdexcept string string_view tuple type_traits
    utility variant vector)
# The plug-in's headers a host compiles against without linking anything of the plug-in's but
# its class.
set(allowed_plugin_headers
    EngineObjects.h Kch_Quantifier.h OperationTable.h Operations.def QuantifierBlocks.h)

set(engine_dir ${SOURCE_DIR}/tools/quantifier-run/engine)
set(plugin_dir ${SOURCE_DIR}/channels/Quantifier)
# Where a quoted include is looked for, after the including file's own folder.
set(search_dirs ${engine_dir} ${SOURCE_DIR}/host/include ${SOURCE_DIR}/platform/hosting
    ${plugin_dir})

file(GLOB pending ${engine_dir}/*.h ${engine_dir}/*.cpp)
set(seen ${pending})
set(problems "")
while(pending)
    list(POP_FRONT pending file)
    file(RELATIVE_PATH shown ${SOURCE_DIR} ${file})
    get_filename_component(own_dir ${file} DIRECTORY)
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]*)[>\"].*$" "\\1;\\2"
               parts "${line}")
        list(GET parts 0 quote)
        list(GET parts 1 header)
        if(quote STREQUAL "<")
            if(NOT header IN_LIST allowed_library_headers)
                string(APPEND problems "${shown} includes <${header}>, which is not in the core "
                       "C++ library the engine's own ABI build has\n")
            endif()
            continue()
        endif()
        set(found "")
        foreach(dir IN ITEMS ${own_dir} ${search_dirs})
            if(EXISTS ${dir}/${header})
                set(found ${dir}/${header})
                break()
            endif()
        endforeach()
        if(NOT found)
            string(APPEND problems "${shown} includes \"${header}\", which is neither the engine "
                   "side's, the engine's, a hosting service's nor the plug-in's\n")
            continue()
        endif()
        get_filename_component(found ${found} ABSOLUTE)
        get_filename_component(found_dir ${found} DIRECTORY)
        if(found_dir STREQUAL plugin_dir AND NOT header IN_LIST allowed_plugin_headers)
            string(APPEND problems "${shown} includes the plug-in's \"${header}\", which is not "
                   "one of its header-only parts\n")
            continue()
        endif()
        if(NOT found IN_LIST seen)
            list(APPEND seen ${found})
            list(APPEND pending ${found})
        endif()
    endforeach()
endwhile()

list(LENGTH seen checked)
if(problems)
    message(FATAL_ERROR "The engine side reaches beyond what its own ABI build has:\n${problems}")
endif()
message(STATUS "engine side: ${checked} files, every include within the allowed set")
