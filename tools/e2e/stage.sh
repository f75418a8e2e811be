#!/usr/bin/env bash
# Stages what the scripted subscriber runs: a service data directory whose current release carries
# the programs just built, and a program directory installed at an older release of that service.
#   stage.sh data SOURCE_DATA OUT_DATA PROGRAM_DIR
#       copies the reference service's data; the current release's Nimbrook.exe and update.exe become
#       the built programs, so taking the update really replaces the client and starts the updater
#   stage.sh program PROGRAM_DIR STANDINS_DIR SERVICE_BASE RELEASE OUT_DIR
#       the product files of PROGRAM_DIR (programs, skin, languages, routes, templates), the
#       "openvpn.exe" stand-in where an operator puts OpenVPN, and RELEASE's descriptor from
#       SERVICE_BASE as the installed "config\version.ini" (the files that differ in the newer
#       release come with the update)
set -euo pipefail

stage_data() {
  local source=$1 out=$2 program=$3 release
  rm -rf "$out"
  cp -r "$source" "$out"
  release=$(tr -d ' \r\n' <"$out/current-release")
  cp "$program/Nimbrook.exe" "$out/releases/$release/Nimbrook.exe"
  cp "$program/Update.exe" "$out/releases/$release/update.exe"
}

stage_program() {
  local program=$1 standins=$2 base=$3 release=$4 out=$5
  rm -rf "$out"
  mkdir -p "$out/config" "$out/openvpn"
  cp "$program/Nimbrook.exe" "$program/Update.exe" "$out/"
  cp -r "$program/language" "$program/skin" "$out/"
  mkdir -p "$out/route"
  find "$program/route" -maxdepth 1 -type f ! -name '*.log' -exec cp {} "$out/route/" \;
  cp "$program/config/template.dll" "$out/config/"
  cp "$program/openvpn/template.ovpn" "$out/openvpn/"
  # OpenVPN and its adapter as an operator installs them: the stand-in lists one adapter when
  # "tap_installed.txt" lies beside it and plays the "success" scenario.
  cp "$standins/openvpn.exe" "$out/openvpn/"
  : >"$out/openvpn/tap_installed.txt"
  echo success >"$out/openvpn/scenario.txt"
  curl -sf -o "$out/config/version.ini" "$base/descriptor/$release/version.ini"
}

case "${1:-}" in
  data) shift; stage_data "$@" ;;
  program) shift; stage_program "$@" ;;
  *) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
esac
