# The system libraries a platform library stands on, found once whether the
# library is built with the whole program or on its own from its folder.
# Names: PNG JPEG ZLIB Threads (CMake's modules) or SDL2 EPOXY GTK3
# (pkg-config, as PkgConfig::<name>).
function(cellreel_find_deps)
  set(pkgconfig_names SDL2=sdl2 EPOXY=epoxy GTK3=gtk+-3.0)
  foreach(dep IN LISTS ARGN)
    if(dep STREQUAL "Threads")
      find_package(Threads REQUIRED)
    elseif(dep MATCHES "^(PNG|JPEG|ZLIB)$")
      if(NOT TARGET ${dep}::${dep})
        find_package(${dep} REQUIRED)
      endif()
    elseif(NOT TARGET PkgConfig::${dep})
      find_package(PkgConfig REQUIRED)
      set(entry ${pkgconfig_names})
      list(FILTER entry INCLUDE REGEX "^${dep}=")
      string(REPLACE "${dep}=" "" module "${entry}")
      pkg_check_modules(${dep} REQUIRED IMPORTED_TARGET GLOBAL ${module})
    endif()
  endforeach()
endfunction()
