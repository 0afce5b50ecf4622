# Type libraries compiled from IDL with the widl of the target word size, and embedded in a
# module's resources as `1 TYPELIB "<name>.tlb"`.

include(${CMAKE_CURRENT_LIST_DIR}/Tools.cmake)

# widl of the target word size; importlib("stdole2.tlb") is found in Wine's library
# folder of the same word size, the system IDL files in libwine-dev.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  tavolen_require_program(TAVOLEN_WIDL mingw-w64-tools x86_64-w64-mingw32-widl)
  tavolen_require_path(TAVOLEN_STDOLE_DIR libwine:amd64 stdole2.tlb /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  set(TAVOLEN_WIDL_ARCH -m64)
else()
  tavolen_require_program(TAVOLEN_WIDL mingw-w64-tools i686-w64-mingw32-widl)
  tavolen_require_path(TAVOLEN_STDOLE_DIR libwine:i386 stdole2.tlb /usr/lib/i386-linux-gnu/wine/i386-windows)
  set(TAVOLEN_WIDL_ARCH -m32)
endif()
tavolen_require_path(TAVOLEN_WINE_IDL_DIR libwine-dev ocidl.idl /usr/include/wine/wine/windows)

# tavolen_add_typelib(<target> <file.idl>): builds <file>.tlb in the current binary folder.
function(tavolen_add_typelib target idl)
  get_filename_component(idl_path ${idl} ABSOLUTE)
  get_filename_component(name ${idl} NAME_WE)
  set(tlb ${CMAKE_CURRENT_BINARY_DIR}/${name}.tlb)
  add_custom_command(
    OUTPUT ${tlb}
    COMMAND ${TAVOLEN_WIDL} ${TAVOLEN_WIDL_ARCH} -I${TAVOLEN_WINE_IDL_DIR} -L${TAVOLEN_STDOLE_DIR}
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
