# The runner's layers (tools/quantifier-run/Layers.cmake) include only the layers the table lets
# them use, each by its folder ("view/SceneGraph.h"), and the outside libraries the table gives
# them. The engine side (engine/) is also built in the engine's own ABI, where only the engine's
# headers, the hosting services, the plug-in's header-only tables and the core of the C++ library
# are at hand: every header an engine-side file reaches, directly or through another allowed
# header, must be one of those. A reach beyond the table shows here, on every system.
#
#   cmake -DSOURCE_DIR=<the project's folder> -P check_layer_includes.cmake
cmake_minimum_required(VERSION 3.25)

set(runner_dir ${SOURCE_DIR}/tools/quantifier-run)
include(${runner_dir}/Layers.cmake)
# The reference writer runs scenes as the runner does, and serves nothing.
set(QUANTIFIER_LAYER_USES_reference engine common scene output view app)
set(QUANTIFIER_LAYER_LIBRARIES_reference "nlohmann/")
set(reference_dir ${SOURCE_DIR}/tools/quantifier-reference)

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
set(plugin_dir ${SOURCE_DIR}/channels/Quantifier)
# Where a quoted include that names no layer is looked for: the engine's, the hosting services',
# the platform's, the plug-in's and the text codec's headers.
set(outside_dirs ${SOURCE_DIR}/host/include ${SOURCE_DIR}/platform/hosting ${SOURCE_DIR}/platform
    ${plugin_dir} ${SOURCE_DIR}/codec)
set(engine_outside_dirs ${SOURCE_DIR}/host/include ${SOURCE_DIR}/platform/hosting ${plugin_dir})

set(problems "")
set(every_library_prefix "")
foreach(layer IN LISTS QUANTIFIER_RUNNER_LAYERS)
    list(APPEND every_library_prefix ${QUANTIFIER_LAYER_LIBRARIES_${layer}})
endforeach()

# The includes of `file` as a list of "<quote>;<header>" pairs joined by "|".
function(read_includes file result)
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    set(found "")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]*)[>\"].*$" "\\1:\\2"
               pair "${line}")
        list(APPEND found "${pair}")
    endforeach()
    set(${result} ${found} PARENT_SCOPE)
endfunction()

# One of read_includes' pairs as `quote` (< or ") and `header`, in the caller's scope.
macro(split_include pair)
    string(SUBSTRING "${pair}" 0 1 quote)
    string(SUBSTRING "${pair}" 2 -1 header)
endmacro()

# A layer's (or the reference's) own files: their quoted includes name a layer it may use, or an
# outside header; a library's header is included only in the layer the table gives it.
function(check_layer layer dir)
    set(may ${layer} ${QUANTIFIER_LAYER_USES_${layer}})
    list(JOIN may ", " may_text)
    file(GLOB_RECURSE files ${dir}/*.h ${dir}/*.cpp ${dir}/*.def)
    foreach(file IN LISTS files)
        file(RELATIVE_PATH shown ${SOURCE_DIR} ${file})
        read_includes(${file} includes)
        foreach(pair IN LISTS includes)
            split_include("${pair}")
            if(quote STREQUAL "<")
                foreach(prefix IN LISTS every_library_prefix)
                    string(FIND "${header}" "${prefix}" at)
                    if(at EQUAL 0 AND NOT prefix IN_LIST QUANTIFIER_LAYER_LIBRARIES_${layer})
                        string(APPEND problems "${shown} (${layer}) includes <${header}>, which "
                               "belongs to another layer\n")
                    endif()
                endforeach()
                continue()
            endif()
            string(REGEX MATCH "^([a-z]+)/" qualified "${header}")
            if(qualified AND IS_DIRECTORY ${runner_dir}/${CMAKE_MATCH_1})
                if(NOT CMAKE_MATCH_1 IN_LIST may)
                    string(APPEND problems "${shown} (${layer}) includes \"${header}\": ${layer} "
                           "may include only ${may_text}\n")
                elseif(NOT EXISTS ${runner_dir}/${header})
                    string(APPEND problems "${shown} includes \"${header}\", which is no file\n")
                endif()
                continue()
            endif()
            set(outside FALSE)
            foreach(outside_dir IN LISTS outside_dirs)
                if(EXISTS ${outside_dir}/${header})
                    set(outside TRUE)
                endif()
            endforeach()
            get_filename_component(own_dir ${file} DIRECTORY)
            if(NOT outside AND NOT (layer STREQUAL "reference" AND EXISTS ${own_dir}/${header}))
                string(APPEND problems "${shown} includes \"${header}\" without its layer's "
                       "folder (\"scene/...\"), or a file that does not exist\n")
            endif()
        endforeach()
    endforeach()
    set(problems "${problems}" PARENT_SCOPE)
endfunction()

foreach(layer IN LISTS QUANTIFIER_RUNNER_LAYERS)
    check_layer(${layer} ${runner_dir}/${layer})
endforeach()
check_layer(reference ${reference_dir})
# Every source of the runner lives in a layer.
file(GLOB loose ${runner_dir}/*.h ${runner_dir}/*.cpp)
foreach(file IN LISTS loose)
    file(RELATIVE_PATH shown ${SOURCE_DIR} ${file})
    string(APPEND problems "${shown} is in no layer: move it into the folder of its layer\n")
endforeach()

# The engine side, followed through every header it reaches.
file(GLOB pending ${runner_dir}/engine/*.h ${runner_dir}/engine/*.cpp)
set(seen ${pending})
while(pending)
    list(POP_FRONT pending file)
    file(RELATIVE_PATH shown ${SOURCE_DIR} ${file})
    get_filename_component(own_dir ${file} DIRECTORY)
    read_includes(${file} includes)
    foreach(pair IN LISTS includes)
        split_include("${pair}")
        if(quote STREQUAL "<")
            if(NOT header IN_LIST allowed_library_headers)
                string(APPEND problems "${shown} includes <${header}>, which is not in the core "
                       "C++ library the engine's own ABI build has\n")
            endif()
            continue()
        endif()
        set(found "")
        foreach(dir IN ITEMS ${own_dir} ${runner_dir} ${engine_outside_dirs})
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
    message(FATAL_ERROR "An include reaches beyond its layer:\n${problems}")
endif()
list(LENGTH QUANTIFIER_RUNNER_LAYERS layers)
message(STATUS "${layers} layers and the reference writer include within their table; the "
               "engine side's ${checked} files within what its own ABI build has")
