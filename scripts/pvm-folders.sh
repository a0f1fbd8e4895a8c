# SPDX-License-Identifier: MIT
# Sourced by pvm-run.sh and pvm-hosts.sh: the options and folders of a private virtual machine.

# Where spawned task programs are looked up unless told otherwise: the build's program folder
# of this source tree (an installed pvm-run knows its own).
default_program_folder() {
  echo "$(cd "$1/.." && pwd)/build/bin"
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

# program_folders_exist FOLDER[:FOLDER...]: fails naming the first that is no folder, where a
# daemon would look for programs in vain.
program_folders_exist() {
  local folder
  while IFS= read -r -d : folder; do
    [ -d "$folder" ] || { echo "program folder '$folder' does not exist"; return 1; }
  done <<< "$1:"
}

# find_tasker FOLDER[:FOLDER...]: the path of the first pvm-run-tasker in those folders.
find_tasker() {
  local folder folders
  IFS=: read -r -a folders <<< "$1"
  for folder in "${folders[@]}"; do
    [ -x "$folder/pvm-run-tasker" ] && { echo "$folder/pvm-run-tasker"; return 0; }
  done
  return 1
}

# Lowers this shell's soft limit of open descriptors to 1024. Before it starts a task, a
# daemon's child closes every descriptor up to that limit: under tens of thousands, each spawn
# costs milliseconds more. The hard limit stays, so a task that needs more may raise its own.
few_descriptors() {
  local limit
  limit=$(ulimit -Sn)
  if [ "$limit" = unlimited ] || [ "$limit" -gt 1024 ]; then ulimit -Sn 1024; fi
}

# read_vm_options ACCEPTED ARGS...: reads the leading options of ARGS that ACCEPTED names
# (letters of "eno") into programs (-e), output (-o) and count (-n), up to "--" or the first
# word that is no option. Sets options_taken to how many arguments that was; returns 1 on an
# option not accepted or without its value, for the caller's usage message.
read_vm_options() {
  local accepted=$1
  shift
  options_taken=0
  while [ $# -gt 0 ]; do
    case "$1" in
      --) options_taken=$((options_taken + 1)); return 0 ;;
      -[eno])
        [[ $accepted == *"${1#-}"* ]] && [ $# -ge 2 ] && [ -n "$2" ] || return 1
        case "$1" in
          -e) programs=$2 ;;
          -o) output=$2 ;;
          -n) count=$2 ;;
        esac
        shift 2
        options_taken=$((options_taken + 2)) ;;
      -*) return 1 ;;
      *) return 0 ;;
    esac
  done
}
