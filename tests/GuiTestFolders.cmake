# Makes fresh, empty user folders for each GUI test program under ROOT; the
# runtime folder is private (0700), as Qt and QtWebEngine want it.
foreach(test viewer_window_test viewer_browser_test)
  set(home ${ROOT}/${test})
  file(REMOVE_RECURSE ${home})
  file(MAKE_DIRECTORY ${home}/home ${home}/data ${home}/config ${home}/cache ${home}/runtime)
  file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endforeach()
