# Sourced by the scripts. What they keep from one run to the next: the clean
# Debian 12 root and the packages fetched into it (scripts/package-test.sh),
# and what the programs they start keep under the home folder (fontconfig's
# cache, browser, Wine and input method settings). Wine prefixes, input
# method profiles and Samba servers are made afresh in temporary folders for
# each run.
#
# WEBEXAM_CACHE=DIR puts all of it under DIR, as a machine that never ran the
# scripts would have it when DIR is empty: the root in DIR/debian-root, the
# home folder DIR/home. Unset, the defaults hold: /var/cache/webexam-test
# (or $WEBEXAM_ROOT_CACHE) and the user's own home.
if [[ -n "${WEBEXAM_CACHE:-}" ]]; then
  mkdir -p "$WEBEXAM_CACHE/home"
  WEBEXAM_CACHE=$(cd "$WEBEXAM_CACHE" && pwd)
  export WEBEXAM_CACHE HOME=$WEBEXAM_CACHE/home
  export XDG_CACHE_HOME=$HOME/.cache XDG_CONFIG_HOME=$HOME/.config \
    XDG_DATA_HOME=$HOME/.local/share XDG_STATE_HOME=$HOME/.local/state
  export WEBEXAM_ROOT_CACHE=$WEBEXAM_CACHE/debian-root
fi
