# Assembles every *.s of a folder into an iNES cartridge with ca65/ld65.
# A source foo.s links with foo.cfg when that file exists beside it, else with
# the folder's nrom.cfg, else with tests/roms/nrom.cfg.
find_program(CA65 ca65 REQUIRED)
find_program(LD65 ld65 REQUIRED)

function(virel_add_cartridges target out_dir src_dir)
  file(GLOB sources CONFIGURE_DEPENDS ${src_dir}/*.s)
  file(GLOB includes CONFIGURE_DEPENDS ${src_dir}/*.inc ${CMAKE_SOURCE_DIR}/tests/roms/*.inc)
  set(outputs)
  foreach(src IN LISTS sources)
    get_filename_component(name ${src} NAME_WE)
    if(EXISTS ${src_dir}/${name}.cfg)
      set(cfg ${src_dir}/${name}.cfg)
    elseif(EXISTS ${src_dir}/nrom.cfg)
      set(cfg ${src_dir}/nrom.cfg)
    else()
      set(cfg ${CMAKE_SOURCE_DIR}/tests/roms/nrom.cfg)
    endif()
    set(obj ${CMAKE_CURRENT_BINARY_DIR}/cart_obj/${target}/${name}.o)
    set(nes ${out_dir}/${name}.nes)
    add_custom_command(
      OUTPUT ${nes}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir} ${CMAKE_CURRENT_BINARY_DIR}/cart_obj/${target}
      COMMAND ${CA65} -I ${src_dir} -I ${CMAKE_SOURCE_DIR}/tests/roms -o ${obj} ${src}
      COMMAND ${LD65} -C ${cfg} -o ${nes} ${obj}
      DEPENDS ${src} ${cfg} ${includes}
      COMMENT "Assembling cartridge ${name}.nes"
      VERBATIM)
    list(APPEND outputs ${nes})
  endforeach()
  add_custom_target(${target} ALL DEPENDS ${outputs})
endfunction()
