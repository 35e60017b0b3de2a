# Fails when a portable source includes a platform header: the portable logic reaches the platform only
# through its seams.
file(GLOB_RECURSE sources "${SOURCE_DIR}/src/link/*" "${SOURCE_DIR}/src/download/*" "${SOURCE_DIR}/src/settings/*"
     "${SOURCE_DIR}/src/ui/*" "${SOURCE_DIR}/src/shared_state.*")
set(forbidden "#include *<(windows|winuser|shlobj|dbghelp|direct|io|unistd|fcntl|termios|poll|pwd|dirent|libserialport|Q[A-Za-z]+)(\\.h)?>|#include *<sys/")
set(offenders "")
foreach(source IN LISTS sources)
  file(STRINGS "${source}" lines REGEX "${forbidden}")
  if(lines)
    list(APPEND offenders "${source}: ${lines}")
  endif()
endforeach()
if(offenders)
  message(FATAL_ERROR "platform headers in portable code:\n${offenders}")
endif()
list(LENGTH sources count)
message(STATUS "${count} portable sources, no platform header")
