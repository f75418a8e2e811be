#!/usr/bin/env bash
# Nimbrook-setup.exe in the test Wine prefix: refuses a folder that holds other files; installs
# silently with a language choice; the installed files are the build's product files and nothing else,
# with the Start-menu entries and the uninstaller registered; the installed client runs to its login
# window; the uninstaller refuses to run while the client does; once the client has ended it removes
# everything but the config folder, the files made at run time included, its registration and the
# client's start with Windows.
# Usage: installer_check.sh SETUP_EXE PROGRAM_DIR SERVICE_EXE SERVICE_DATA
set -u
setup=$1
program=$2
service=$3
data=$4
cli=$setup
source "$(dirname "${BASH_SOURCE[0]}")/../../tests/check_lib.sh"
: "${NIMBROOK_GUI_ENV:?NIMBROOK_GUI_ENV is not set: register the check with NEEDS_DISPLAY}"
shots=${NIMBROOK_SCREENSHOT_DIR:?}
mkdir -p "$shots"
# No menu entries for the host's desktop from the shortcuts the installer makes.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winemenubuilder.exe=d"

program_files="$WINEPREFIX/drive_c/Program Files"
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Nimbrook"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Nimbrook'
dir="$program_files/NimbrookCheck"
foreign="$program_files/NimbrookForeign"
rm -rf "$dir" "$foreign"

# --- the built-in descriptor address, served from a release that holds only the two programs: the
# installed client finds nothing to update and goes on to its login window.
service_pid=""
port_open() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
run_value_added=0
cleanup() {
  [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null
  # The settings window's check expects the prefix without a start-with-Windows value.
  [ "$run_value_added" = 1 ] && wine reg delete "$run_key" /v nimbrook.exe /f </dev/null >/dev/null 2>&1 9>&-
  [ -n "${client_pid:-}" ] && kill "$client_pid" 2>/dev/null
  rm -rf "$work" "$dir" "$foreign"
}
trap cleanup EXIT
cp -r "$data" "$work/data"
mkdir -p "$work/data/releases/installed"
cp "$data/releases/1.5.1/Nimbrook.exe" "$data/releases/1.5.1/update.exe" "$work/data/releases/installed/"
echo installed >"$work/data/current-release"
exec 9>/tmp/nimbrook-default-service.lock
flock -o -w 120 9
if port_open 8080; then
  fail "127.0.0.1:8080 is served by another program; this check serves its own descriptor there"
  finish
fi
setsid "$service" --port 8080 --data-dir "$work/data" --log "$work/service.log" </dev/null >/dev/null 2>&1 9>&- &
service_pid=$!
for _ in $(seq 1 100); do port_open 8080 && break; sleep 0.1; done
check "the descriptor service answers on 127.0.0.1:8080" port_open 8080

# Runs a Windows command line through a batch file and sets status. NSIS takes "/D=" and "_?=" only
# unquoted and last, while wine would quote an argument that holds a blank.
wine_command() {  # LINE
  printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$1" >"$work/command.bat"
  timeout 120 wine cmd /c "$(winepath -w "$work/command.bat")" </dev/null >/dev/null 2>&1 9>&-
  status=$?
}
setup_win=$(winepath -w "$setup")
wine_setup() {  # OPTIONS: runs the installer with them
  wine_command "\"$setup_win\" $1"
}

# --- a folder with someone else's files is refused: the uninstaller would empty it later.
mkdir -p "$foreign"
echo keep >"$foreign/notes.txt"
wine_setup '/S /D=C:\Program Files\NimbrookForeign'
check "a folder with other files is refused (status $status)" test "$status" = 2
check "nothing is installed there" test ! -e "$foreign/Nimbrook.exe" -a "$(ls -A "$foreign")" = notes.txt

# --- silent installation in simplified Chinese.
wine_setup '/S /LANG=chs /D=C:\Program Files\NimbrookCheck'
check "the silent installation succeeds (status $status)" test "$status" = 0
for f in Nimbrook.exe Update.exe language/eng.lng language/chs.lng language/cht.lng skin/skin.dll skin/quell.dll \
         config/template.dll openvpn/template.ovpn route/cmroute.dll route/addroute.tem route/delroute.tem \
         route/china.tem; do
  check "$f is installed as built" cmp -s "$program/$f" "$dir/$f"
done
check "the uninstaller is in place" test -s "$dir/uninstall.exe"
others=$(cd "$dir" && find . -type f ! -path ./uninstall.exe ! -path ./config/config.ini | sed 's|^\./||' |
  while read -r f; do [ -f "$program/$f" ] || echo "$f"; done)
check "every other file comes from the program directory (${others:-none})" test -z "$others"
tools=$(cd "$dir" && find . -type f \( -iname '*.exe' ! -iname Nimbrook.exe ! -iname Update.exe ! -iname uninstall.exe \
  -o -iname '*.log' \))
check "no test tools or logs are installed (${tools:-none})" test -z "$tools"
check "the chosen language is the client's language" grep -q '^language=chs' "$dir/config/config.ini"
check "the Start menu has the client" test -s "$start_menu/Nimbrook.lnk"
check "and the uninstaller" test "$(find "$start_menu" -name '*.lnk' | wc -l)" = 2
registered=$(wine reg query "$uninstall_key" /v UninstallString 2>/dev/null 9>&- | tr -d '\r')
check "the uninstaller is registered with Windows" grep -qi 'NimbrookCheck\\uninstall.exe' <<<"$registered"

# --- the installed client: update check, then its login window.
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/e2e/window_lib.sh"
wait_exit() {  # PID SECONDS
  local i
  for i in $(seq 1 $(($2 * 10))); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}
(cd "$dir" && exec wine ./Nimbrook.exe </dev/null >/dev/null 2>&1 9>&-) &
client_pid=$!
if login=$(wait_any 60 login); then
  pass
  xdotool mousemove 0 0
  sleep 0.5
  grab_window "$login" "$shots/installer-login-chs.png"
  check "the login screenshot is written" test -s "$shots/installer-login-chs.png"
else
  fail "the installed client opens its login window"
fi
check "the client wrote its log beside itself" test -s "$dir/nimbrook.log"
check "and installed the service's descriptor" test -s "$dir/config/version.ini"

# While the client runs, the uninstaller refuses (run in place, so it waits and reports).
wine_command '"C:\Program Files\NimbrookCheck\uninstall.exe" /S _?=C:\Program Files\NimbrookCheck'
check "the uninstaller refuses while the client runs (status $status)" test "$status" = 3
check "and removes nothing" test -e "$dir/Nimbrook.exe" -a -e "$dir/language/eng.lng"

if [ -n "$login" ]; then
  xdotool mousemove --window "$login" 780 20 click 1
fi
check "the login window's close button ends the client" wait_exit "$client_pid" 20
kill "$client_pid" 2>/dev/null
client_pid=""

# --- files the programs make at run time: release files the updater fetched, the OpenVPN client
# configuration and log.
mkdir -p "$dir/docs"
echo changes >"$dir/docs/changelog.txt"
echo readme >"$dir/readme.txt"
echo client >"$dir/openvpn/client.ovpn"
echo log >"$dir/openvpn/openvpn.log"

# The client's start-with-Windows value, as its settings window writes it.
run_value_added=1
wine reg add "$run_key" /v nimbrook.exe /t REG_SZ /d 'C:\Program Files\NimbrookCheck\Nimbrook.exe' /f \
  </dev/null >/dev/null 2>&1 9>&-

# --- silent uninstallation: the uninstaller starts a copy of itself and returns at once.
timeout 60 wine "$dir/uninstall.exe" /S </dev/null >/dev/null 2>&1 9>&-
only_config() { [ "$(ls -A "$dir" 2>/dev/null)" = config ]; }
unregistered() { ! wine reg query "$uninstall_key" </dev/null >/dev/null 2>&1 9>&-; }
wait_for() {  # COMMAND SECONDS
  local i
  for i in $(seq 1 $(($2 * 5))); do "$1" && return 0; sleep 0.2; done
  return 1
}
wait_for only_config 60
check "uninstalling leaves only the config folder (left: $(ls -A "$dir" 2>/dev/null | tr '\n' ' '))" only_config
check "which keeps the subscriber's settings" grep -q '^language=chs' "$dir/config/config.ini"
check "the uninstaller's registration is gone" wait_for unregistered 20
check "the Start-menu entries are gone" test ! -e "$start_menu"
check "and the client's start with Windows" \
  bash -c '! wine reg query "$1" /v nimbrook.exe </dev/null >/dev/null 2>&1' _ "$run_key"

finish
