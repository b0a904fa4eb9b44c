# Shell functions for the scripts that make tools of their own from Debian's packages, sourced
# after they define say() and fail(). Nothing of the system's apt state or sources is read or
# changed.

debian_keyring="[signed-by=/usr/share/keyrings/debian-archive-keyring.gpg]"
debian_archive="$debian_keyring http://deb.debian.org/debian"
debian_security="$debian_keyring http://deb.debian.org/debian-security"

# Takes the cache's lock, so that one maker works at a time and a second waits; then, when
# ROOT is made already, prints it and ends the script.
#   reuse_if_made CACHE ROOT
reuse_if_made() {
    mkdir -p "$1"
    exec 9>"$1/.lock"
    flock 9
    if [ -f "$2/.complete" ]; then
        say "reusing $2"
        echo "$2"
        exit 0
    fi
}

# Makes an apt state of its own in FOLDER that reads the source lines given on standard input,
# with any further apt.conf lines, and points APT_CONFIG at it.
#   private_apt FOLDER [APT.CONF LINE]... <SOURCES
private_apt() {
    folder=$1
    shift
    mkdir -p "$folder/lists/partial" "$folder/archives/partial" "$folder/parts"
    cat >"$folder/sources.list"
    : >"$folder/status"
    {
        cat <<CONF
Dir::State "$folder";
Dir::State::Lists "$folder/lists";
Dir::State::status "$folder/status";
Dir::Cache "$folder";
Dir::Cache::Archives "$folder/archives";
Dir::Etc::SourceList "$folder/sources.list";
Dir::Etc::SourceParts "$folder/parts";
Dir::Etc::Preferences "$folder/none";
Dir::Etc::PreferencesParts "$folder/parts";
APT::Sandbox::User "root";
Debug::NoLocking "true";
CONF
        for line in "$@"; do
            echo "$line"
        done
    } >"$folder/apt.conf"
    export APT_CONFIG="$folder/apt.conf"
}

# Unpacks Debian's source packages PACKAGE=VERSION... below FOLDER/src through a private apt state
# (FOLDER/apt) that knows Debian's source lists alone; its log goes to FOLDER/apt.log.
#   debian_source FOLDER PACKAGE=VERSION...
debian_source() {
    into=$1
    shift
    private_apt "$into/apt" <<LIST
deb-src $debian_archive bookworm main
deb-src $debian_archive bookworm-updates main
deb-src $debian_security bookworm-security main
LIST
    mkdir -p "$into/src"
    say "reading Debian's source lists"
    apt-get -q update >"$into/apt.log" 2>&1 ||
        { cat "$into/apt.log" >&2; fail "cannot read Debian's source lists"; }
    say "downloading the source packages $*"
    (cd "$into/src" && apt-get -q source "$@") >"$into/apt.log" 2>&1 ||
        { cat "$into/apt.log" >&2; fail "cannot get the source packages $*"; }
}
