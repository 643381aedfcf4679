# Helpers for targets that exist only in the Windows build.

# A program whose entry point is wmain or wWinMain. Only those get -municode: GoogleTest's
# main and the ordinary main() programs must not.
function(tarsel_wide_entry target)
    if(WIN32)
        target_compile_options(${target} PRIVATE -municode)
        target_link_options(${target} PRIVATE -municode)
    endif()
endfunction()
