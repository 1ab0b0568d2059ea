# Shared by install-addin.sh and uninstall-addin.sh: where the pieces are and as whom
# the steps run. Sets regsvr, library, extension, extension_id, unopkg, unopkg_scope and
# target_user (empty: whoever runs the script). OSTREL_UNOPKG names the office's extension
# manager (default: unopkg on PATH).
#
# As root, --user NAME does the steps for that user and --all-users for every user of the
# office; without either, for the user behind sudo, else for every user.
addin_paths() {
    local prefix="" build="" user="" all_users=""
    while [[ $# -gt 0 ]]; do
        case "$1" in
            --prefix) prefix=$2; shift 2 ;;
            --build) build=$2; shift 2 ;;
            --user) user=$2; shift 2 ;;
            --all-users) all_users=1; shift ;;
            *) echo "usage: $0 [--prefix DIR | --build DIR] [--user NAME | --all-users]" >&2; exit 2 ;;
        esac
    done
    if [[ -z "$prefix" && -z "$build" ]]; then
        if [[ -f "$here/../build/build.ninja" ]]; then
            build=$(cd "$here/../build" && pwd)
        else
            prefix=/usr/local
        fi
    fi
    if [[ -n "$build" ]]; then
        regsvr=$build/tools/regsvr/ostrel-regsvr
        library=$build/addin/KestrineWord.so
        extension=$build/office/bridge/ostrel-addin-bridge.oxt
    else
        # Our libraries' folder: lib/ostrel, or the multiarch or lib64 one.
        library=$prefix/lib/ostrel/KestrineWord.so
        [[ -e "$library" ]] || library=$(ls "$prefix"/lib*/ostrel/KestrineWord.so \
            "$prefix"/lib/*/ostrel/KestrineWord.so 2>/dev/null | head -1)
        regsvr=$(dirname "$library")/ostrel-regsvr
        extension=$prefix/share/ostrel/ostrel-addin-bridge.oxt
    fi
    extension_id=com.ostrel.kestrine.bridge
    unopkg=${OSTREL_UNOPKG:-unopkg}
    unopkg_scope=()
    target_user=""
    if [[ $(id -u) -eq 0 ]]; then
        if [[ -n $user && $user != root ]]; then
            target_user=$user
        elif [[ -z $user && -z $all_users && -n "${SUDO_USER:-}" && "$SUDO_USER" != root ]]; then
            target_user=$SUDO_USER
        else
            unopkg_scope=(--shared)
        fi
    fi
}

# Runs a command as the user the add-in is installed for, with that user's home (runuser
# comes with every system; sudo need not be installed).
as_user() {
    if [[ -n "$target_user" ]]; then
        local home
        home=$(getent passwd "$target_user" | cut -d: -f6)
        runuser -u "$target_user" -- env HOME="$home" "$@"
    else
        "$@"
    fi
}
