# Sourced by the run and screenshot scripts: the stand-in disk driver (bin/standin_disk.sys) as the kernel
# service "StandinDisk" of the current Wine prefix, with the demo NVMe drive of standin_disk_demo.py as disk 0
# (the disk behind C:). The running wineserver and WINEPREFIX of wine-env.sh are assumed.
standin_disk_install_demo() {
    local bin="$1" reg
    if [ ! -f "$bin/standin_disk.sys" ]; then
        echo "standin-disk: $bin/standin_disk.sys is missing: the Drive Health window shows Wine's own disk."
        return 0
    fi
    reg="$WINEPREFIX/standin-disk-demo.reg"
    python3 "$(dirname "${BASH_SOURCE[0]}")/standin_disk_demo.py" reg "$reg"
    wine sc stop StandinDisk </dev/null >/dev/null 2>&1 || true
    wine sc create StandinDisk type= kernel start= demand binpath= "$(winepath -w "$bin/standin_disk.sys")" \
        </dev/null >/dev/null 2>&1 || true
    if ! wine regedit /S "$(winepath -w "$reg")" </dev/null >/dev/null 2>&1; then
        echo "standin-disk: the demo drive's values could not be written: the stand-in answers for no disk."
    fi
    wine sc start StandinDisk </dev/null >/dev/null 2>&1 ||
        echo "standin-disk: the StandinDisk service did not start: the Drive Health window shows Wine's own disk."
}
