# Sourced by the set-up scripts: apt_install PACKAGE... updates the package lists and installs the packages.
# A mirror in the middle of a sync (an index of the wrong size) or an extra package source that cannot be reached
# makes `apt-get update` fail while every package can still be installed from the lists there are: the update is
# tried once more, then the install goes ahead. Only a failed install stops the caller, with apt's own message.
#   APT_PREFIX   put before each apt-get (for example "sudo"); empty runs it as it is
#   APT_OPTIONS  more options for the install (the tests pass --simulate)
apt_install() {
  local attempt
  for attempt in 1 2; do
    if ${APT_PREFIX:-} apt-get update -q; then
      break
    elif [ "$attempt" = 1 ]; then
      echo "apt-get update failed; trying once more" >&2
      sleep 2
    else
      echo "apt-get update failed again; installing from the package lists there are" >&2
    fi
  done
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive ${APT_PREFIX:-} apt-get install -y -q --no-install-recommends ${APT_OPTIONS:-} "$@"
}
