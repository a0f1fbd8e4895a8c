# Sourced by pvm-run.sh and pvm-hosts.sh: the folders a private virtual machine works with.

# Where spawned task programs are looked up unless told otherwise: the folder the scripts are
# installed in, next to the programs, or else the build's program folder of this source tree.
default_program_folder() {
  local here=$1
  if [ -e "$here/kubo-worker.exe" ] || [ -e "$here/worker" ]; then
    echo "$here"
  else
    echo "$(cd "$here/.." && pwd)/build/bin"
  fi
}

# Fails naming the first folder with a blank: the hostfile separates its options by blanks,
# so such a folder cannot be named there.
folders_without_blanks() {
  local folder
  for folder in "$@"; do
    case "$folder" in
      *[[:space:]]*) echo "folder name with a blank cannot be used by PVM: '$folder'"; return 1 ;;
    esac
  done
}
