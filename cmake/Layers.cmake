# The product's layers. Each folder under src/ is one layer, and code may use
# only what lies in its own folder or in a layer below it: a library links
# only libraries of lower layers (or of its own folder), and a source file
# includes only headers of lower layers (or of its own folder). A folder
# holds one layer only; a lower layer never lies inside a higher one's folder.
#
#   folder               layer   what it is
set(VZ_LAYERS
  resources             0     # resource numbers and artwork
  support               1     # containers, text, dialog and registry helpers
  tiff                  2     # byte access, the TIFF/IFD engine, maker notes
  jpeg                  3     # the JPEG container: markers, Exif segment
  heif                  4     # the HEIF container: boxes, items, rewrite
  raw                   5     # camera raw files, read only: formats, containers
  replacement           5     # the photo file's safe replacement and recovery
  sidecar               5     # XMP sidecars: the editor and the sidecars' names
  exif                  6     # the photo: its Exif over any container, its position
  selection             7     # the selected photos and the file checks
  earth_client          8     # the Google Earth automation client
  notation              8     # coordinate notations and the stored setting
  kml                   8     # the XML writer and the KML documents
  track                 8     # GPS tracks: reading, times, matching
  about                 9     # the About box
  earth                 10    # the two Google Earth commands
  coords                10    # the coordinates dialog and clipboard input
  geotag                10    # geotagging photos from a GPS track
  shellext              11    # the COM objects and the menu
  setup                 12    # registration and installation
  dll                   13)   # the DLL: resource scripts, exports, link

# The layer of a folder below src/ (the longest listed folder it lies in);
# -1 when it lies in none.
function(vz_layer_of folder out_layer out_folder)
  set(best_layer -1)
  set(best_folder "")
  set(pairs ${VZ_LAYERS})
  while(pairs)
    list(POP_FRONT pairs name layer)
    string(LENGTH "${name}" n)
    string(LENGTH "${best_folder}" b)
    if((folder STREQUAL name OR folder MATCHES "^${name}/") AND n GREATER b)
      set(best_layer ${layer})
      set(best_folder ${name})
    endif()
  endwhile()
  set(${out_layer} ${best_layer} PARENT_SCOPE)
  set(${out_folder} ${best_folder} PARENT_SCOPE)
endfunction()

# Whether code in folder from may use folder to.
function(vz_layer_allows from to out)
  vz_layer_of("${from}" from_layer from_home)
  vz_layer_of("${to}" to_layer to_home)
  if(from_home STREQUAL to_home OR to_layer LESS from_layer)
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

# Checks every library made from src/ and every source file and resource
# script under it (a script includes headers as a source does); each
# use of a layer above (or beside) its own is an error that stops the
# configuration.
function(vz_check_layers)
  set(src ${CMAKE_SOURCE_DIR}/src)
  set(violations 0)
  get_property(libs GLOBAL PROPERTY VZ_DLL_LIBS)
  foreach(lib IN LISTS libs)
    get_target_property(dir ${lib} SOURCE_DIR)
    file(RELATIVE_PATH folder ${src} ${dir})
    get_target_property(links ${lib} LINK_LIBRARIES)
    foreach(link IN LISTS links)
      if(TARGET ${link} AND link IN_LIST libs)
        get_target_property(link_dir ${link} SOURCE_DIR)
        file(RELATIVE_PATH link_folder ${src} ${link_dir})
        vz_layer_allows("${folder}" "${link_folder}" ok)
        if(NOT ok)
          message(SEND_ERROR "layers: library ${lib} (${folder}) links ${link} (${link_folder}), a layer not below its own")
          math(EXPR violations "${violations} + 1")
        endif()
      endif()
    endforeach()
  endforeach()

  file(GLOB_RECURSE sources RELATIVE ${src} ${src}/*.h ${src}/*.cpp ${src}/*.rc)
  foreach(source IN LISTS sources)
    get_filename_component(folder ${source} DIRECTORY)
    vz_layer_of("${folder}" layer home)
    if(layer LESS 0)
      message(SEND_ERROR "layers: ${source} lies in no layer (cmake/Layers.cmake)")
      math(EXPR violations "${violations} + 1")
      continue()
    endif()
    file(STRINGS ${src}/${source} includes REGEX "^#include \"[a-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
      get_filename_component(header_folder ${header} DIRECTORY)
      vz_layer_allows("${folder}" "${header_folder}" ok)
      if(NOT ok)
        message(SEND_ERROR "layers: ${source} (${folder}) includes ${header}, a layer not below its own")
        math(EXPR violations "${violations} + 1")
      endif()
    endforeach()
  endforeach()
  if(violations GREATER 0)
    message(SEND_ERROR "layers: ${violations} use(s) of a higher layer; see cmake/Layers.cmake")
  endif()
endfunction()
