# Writes a menu entry (GLYPHWELL_ENTRY_SOURCE, installed as
# GLYPHWELL_ENTRY_NAME) at install time, so that it names the program where
# it is installed, also when the prefix is chosen only then (--prefix).
set(GLYPHWELL_BINDIR "${GLYPHWELL_INSTALL_BINDIR}")
if(NOT IS_ABSOLUTE "${GLYPHWELL_BINDIR}")
  set(GLYPHWELL_BINDIR "${CMAKE_INSTALL_PREFIX}/${GLYPHWELL_BINDIR}")
endif()
set(entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${GLYPHWELL_INSTALL_DATADIR}/applications/${GLYPHWELL_ENTRY_NAME}")
message(STATUS "Installing: ${entry}")
configure_file("${GLYPHWELL_ENTRY_SOURCE}" "${entry}" @ONLY)
