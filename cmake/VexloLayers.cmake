# The layers of the program as libraries whose headers only their dependants see.
#
# vexlo_layer(<target> <folder or header>...) gives <target> a public include root of its own in
# the build tree, build/layers/<target>/, holding symbolic links to the headers of the folders
# (and single headers) named, at their project-relative paths: build/layers/vexlo_word/office/
# engine/word/word_document.h points at office/engine/word/word_document.h. No library exports
# the project root, so a source sees the headers of its own layer and of the layers it links,
# and an include that reaches up a layer (or sideways to one it does not link) fails to build.
# The links are made anew at each configure; CONFIGURE_DEPENDS configures again when a header
# is added or removed.
function(vexlo_layer target)
  set(root ${PROJECT_BINARY_DIR}/layers/${target})
  file(REMOVE_RECURSE ${root})
  foreach(item IN LISTS ARGN)
    if(item MATCHES "\\.h$")
      set(headers ${item})
    else()
      file(GLOB headers RELATIVE ${PROJECT_SOURCE_DIR} CONFIGURE_DEPENDS
           ${PROJECT_SOURCE_DIR}/${item}/*.h)
    endif()
    foreach(header IN LISTS headers)
      get_filename_component(folder ${root}/${header} DIRECTORY)
      file(MAKE_DIRECTORY ${folder})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${header} ${root}/${header} SYMBOLIC)
    endforeach()
  endforeach()
  target_include_directories(${target} PUBLIC ${root})
endfunction()
