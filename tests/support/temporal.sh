# Sourced by the shell tests: $dir, a temporary folder, and $pid, a program
# left running in the background; neither outlives the script.
dir=$(mktemp -d)
pid=
acabar() {
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true
    rm -rf "$dir"
}
trap acabar EXIT
