# Type libraries compiled from IDL with the widl of the target word size, and embedded in a
# module's resources as `1 TYPELIB "<name>.tlb"`.

# tavolen_add_typelib(<target> <file.idl>): builds <file>.tlb in the current binary folder.
function(tavolen_add_typelib target idl)
  get_filename_component(idl_path ${idl} ABSOLUTE)
  get_filename_component(name ${idl} NAME_WE)
  set(tlb ${CMAKE_CURRENT_BINARY_DIR}/${name}.tlb)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(widl x86_64-w64-mingw32-widl)
    set(arch -m64)
    # importlib("stdole2.tlb") is found in Wine's library folder of the same word size.
    set(stdole_dir /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  else()
    set(widl i686-w64-mingw32-widl)
    set(arch -m32)
    set(stdole_dir /usr/lib/i386-linux-gnu/wine/i386-windows)
  endif()
  add_custom_command(
    OUTPUT ${tlb}
    COMMAND ${widl} ${arch} -I/usr/include/wine/wine/windows -L${stdole_dir}
            -t -o ${tlb} ${idl_path}
    DEPENDS ${idl_path}
    COMMENT "Type library ${name}.tlb"
    VERBATIM)
  add_custom_target(${target} DEPENDS ${tlb})
  set_target_properties(${target} PROPERTIES TYPELIB_FILE ${tlb} TYPELIB_DIR ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# tavolen_embed_typelib(<module target> <typelib target> <resource script>): the script can
# name the library by its file name; the module is rebuilt when the library changes.
function(tavolen_embed_typelib module typelib rc)
  get_target_property(dir ${typelib} TYPELIB_DIR)
  get_target_property(tlb ${typelib} TYPELIB_FILE)
  add_dependencies(${module} ${typelib})
  target_include_directories(${module} PRIVATE ${dir})
  get_filename_component(rc_path ${rc} ABSOLUTE)
  set_source_files_properties(${rc_path} PROPERTIES OBJECT_DEPENDS ${tlb})
endfunction()
