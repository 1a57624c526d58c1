# The runner's layers, lowest first: each a folder and a library, each including only the layers
# it names here (and its own). The build links by this table and the RunnerLayers test holds every
# include to it, so a reach into a layer that is not listed fails there.
#
#   layer    what it holds
#   engine   makes channels and calls the plug-in; also built in the engine's own ABI
#   common   the words of messages (one line, "did you mean"), paths as UTF-8, a graph's cycles
#   scene    the scene file: JSON, keys, kinds, the schema, the operations by name, streams read,
#            what a scene means (its checks)
#   output   rows, charts, SVG markup, text width, progress, output files
#   view     the scene's graph, its layout and picture, the explanation
#   serve    the live page: its state, its server and its assets
#   app      the command line, a run, watching, the engine process, main
set(QUANTIFIER_RUNNER_LAYERS engine common scene output view serve app)
set(QUANTIFIER_LAYER_USES_engine "")
set(QUANTIFIER_LAYER_USES_common engine)
set(QUANTIFIER_LAYER_USES_scene engine common)
set(QUANTIFIER_LAYER_USES_output engine common)
set(QUANTIFIER_LAYER_USES_view engine common scene output)
set(QUANTIFIER_LAYER_USES_serve engine common scene output view)
set(QUANTIFIER_LAYER_USES_app engine common scene output view serve)
# The outside libraries a layer's sources include, each in one layer alone.
set(QUANTIFIER_LAYER_LIBRARIES_scene "nlohmann/")
set(QUANTIFIER_LAYER_LIBRARIES_output "utf8proc.h")
set(QUANTIFIER_LAYER_LIBRARIES_serve "httplib.h")
set(QUANTIFIER_LAYER_LIBRARIES_app "CLI/")
