# Sourced by the demo and the benchmarks: the municipal precinct application's folder as its
# installer leaves it (main executable, icon, install marker), for a sample installation.
# Usage: . tools/sample-installation.sh; make_precinct_app APP_DIR
make_precinct_app() {
  mkdir -p "$1"
  printf 'MZ precinct application\n' >"$1/lc-okrsek.exe"
  printf 'icon\n' >"$1/icon.ico"
  cat >"$1/.lc-okrsek-install.meta" <<'MARKER'
# written by the installer
bundle_id=com.lc-okrsek
app_folder=LCKaptaO
main_binary=lc-okrsek.exe
helper_binary=tarvo-untarvo.exe
uninstaller=Zudeded2026.exe
MARKER
}
