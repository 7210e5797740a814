# Fails when a file of a media layer includes a header of a layer above it.
#   cmake -DMEDIA_DIR=<src/media> "-DLAYERS=lowest;...;highest" -P check_media_layers.cmake
if(NOT MEDIA_DIR OR NOT LAYERS)
  message(FATAL_ERROR "check_media_layers: MEDIA_DIR and LAYERS are required")
endif()

set(violations "")
list(JOIN LAYERS ", " layer_names)
set(rank 0)
foreach(layer IN LISTS LAYERS)
  set(rank_${layer} ${rank})
  math(EXPR rank "${rank} + 1")
endforeach()

foreach(layer IN LISTS LAYERS)
  file(GLOB files ${MEDIA_DIR}/${layer}/*.h ${MEDIA_DIR}/${layer}/*.cpp ${MEDIA_DIR}/${layer}/*.inc)
  foreach(file IN LISTS files)
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]media/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]media/([^\">]*)[\">].*$" "\\1"
                           target "${line}")
      string(REGEX MATCH "^[^/]+" target_layer "${target}")
      if(NOT DEFINED rank_${target_layer} OR NOT target MATCHES "/")
        list(APPEND violations "${file}: includes \"media/${target}\", which is in no media layer")
      elseif(rank_${target_layer} GREATER rank_${layer})
        list(APPEND violations
             "${file}: includes \"media/${target}\" (layer ${target_layer} is above ${layer})")
      endif()
    endforeach()
  endforeach()
endforeach()

# Files left in src/media itself belong to no layer.
file(GLOB stray ${MEDIA_DIR}/*.h ${MEDIA_DIR}/*.cpp ${MEDIA_DIR}/*.inc)
foreach(file IN LISTS stray)
  list(APPEND violations "${file}: belongs to no media layer (move it into one of: ${layer_names})")
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Media layer check failed (layers, lowest first: ${layer_names}):\n  ${text}")
endif()
