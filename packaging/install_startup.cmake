# Run by cmake --install: writes the units, the autostart entry and the
# scripts they run for the prefix being installed to. Units of /usr go where
# Debian's packages put theirs; any other prefix gets the places that systemd
# searches under /usr/local and ~/.local alike.
foreach(name BINDIR LIBEXECDIR)
  cmake_path(ABSOLUTE_PATH NOVABIT_${name}_NAME BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}" OUTPUT_VARIABLE NOVABIT_${name})
endforeach()
set(NOVABIT_LIBEXECDIR "${NOVABIT_LIBEXECDIR}/novabit")
set(configured novabit.service novabit-autostart.desktop novabit-start gather/novabit-gather@.service
               station/novabit-station@.service)
foreach(file IN LISTS configured)
  set(template "${NOVABIT_TEMPLATES}/${file}")
  if(EXISTS "${template}.in")
    set(template "${template}.in")
  endif()
  configure_file("${template}" "${NOVABIT_CONFIGURED}/${file}" @ONLY)
endforeach()
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(user_units "${CMAKE_INSTALL_PREFIX}/lib/systemd/user")
  set(system_units /lib/systemd/system)
else()
  set(user_units "${CMAKE_INSTALL_PREFIX}/${NOVABIT_DATADIR_NAME}/systemd/user")
  set(system_units "${CMAKE_INSTALL_PREFIX}/lib/systemd/system")
endif()
file(INSTALL "${NOVABIT_CONFIGURED}/novabit.service" "${NOVABIT_CONFIGURED}/gather/novabit-gather@.service"
     "${NOVABIT_TEMPLATES}/gather/novabit-gather@.timer" DESTINATION "${user_units}")
file(INSTALL "${NOVABIT_CONFIGURED}/station/novabit-station@.service" DESTINATION "${system_units}")
file(INSTALL "${NOVABIT_CONFIGURED}/novabit-start" "${NOVABIT_TEMPLATES}/gather/novabit-gather"
     DESTINATION "${NOVABIT_LIBEXECDIR}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# An example: copied to ~/.config/autostart it starts the monitor at login.
file(INSTALL "${NOVABIT_CONFIGURED}/novabit-autostart.desktop"
     DESTINATION "${CMAKE_INSTALL_PREFIX}/${NOVABIT_DATADIR_NAME}/novabit/autostart" RENAME novabit.desktop)
