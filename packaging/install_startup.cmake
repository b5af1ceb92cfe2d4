# Run by cmake --install: writes the systemd user unit and the autostart entry
# for the prefix being installed to. A unit of /usr goes where Debian's
# packages put theirs; any other prefix gets the place that systemd searches
# under /usr/local and ~/.local alike.
cmake_path(ABSOLUTE_PATH NOVABIT_BINDIR_NAME BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
           OUTPUT_VARIABLE NOVABIT_BINDIR)
configure_file("${NOVABIT_TEMPLATES}/novabit.service.in" "${NOVABIT_CONFIGURED}/novabit.service" @ONLY)
configure_file("${NOVABIT_TEMPLATES}/novabit-autostart.desktop.in" "${NOVABIT_CONFIGURED}/novabit.desktop" @ONLY)
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(unit_dir lib/systemd/user)
else()
  set(unit_dir "${NOVABIT_DATADIR_NAME}/systemd/user")
endif()
file(INSTALL "${NOVABIT_CONFIGURED}/novabit.service" "${NOVABIT_TEMPLATES}/gather/novabit-gather@.service"
     "${NOVABIT_TEMPLATES}/gather/novabit-gather@.timer" DESTINATION "${CMAKE_INSTALL_PREFIX}/${unit_dir}")
# An example: copied to ~/.config/autostart it starts the monitor at login.
file(INSTALL "${NOVABIT_CONFIGURED}/novabit.desktop"
     DESTINATION "${CMAKE_INSTALL_PREFIX}/${NOVABIT_DATADIR_NAME}/novabit/autostart")
