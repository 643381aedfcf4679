# Sourced with the prefix as argument: the environment of every Wine call of the build.
export WINEPREFIX="$1"
export WINEDEBUG=-all
# No Mono/Gecko install prompts; no menu entries written into the host's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine maps Unix file names and console text through the host locale: fix it to UTF-8 so
# Japanese names and output come out the same on every machine.
export LC_ALL=C.UTF-8
