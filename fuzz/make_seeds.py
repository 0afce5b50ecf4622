#!/usr/bin/env python3
"""Writes the seed inputs of the device, settings, shortcut and registry fuzz targets into
corpus/<target>/ (deterministic; run again after changing an input format). Findings
kept in a corpus folder are left alone.

  fuzz/make_seeds.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(bytes(data))


def text(s):
    """UTF-16LE bytes of s."""
    return s.encode("utf-16-le")


def answer(data=b"", flags=0, sense=None, registers=None, status=None):
    """One device answer (fuzz/FuzzDevices.h)."""
    out = bytes([flags | (2 if sense is not None or registers is not None else 0) | (4 if status is not None else 0)])
    if sense is not None:
        out += bytes(sense).ljust(18, b"\0")[:18]
    if registers is not None:
        out += bytes(registers).ljust(8, b"\0")[:8]
    if status is not None:
        out += bytes([status])
    return out + struct.pack("<H", len(data)) + bytes(data)


def inquiry(vendor, product, revision, specific, device_type=0):
    data = bytes([device_type, 0x80, 6, 2, 51, 0, 0, 0])
    data += vendor.encode().ljust(8)[:8] + product.encode().ljust(16)[:16] + revision.encode().ljust(4)[:4]
    return (data + specific.encode()).ljust(56, b"\0")[:56]


def identify(serial, model):
    words = bytearray(512)
    def swapped(s, length):
        raw = s.encode().ljust(length)[:length]
        return bytes(b for i in range(0, length, 2) for b in (raw[i + 1], raw[i]))
    words[20:40] = swapped(serial, 20)
    words[54:94] = swapped(model, 40)
    words[170] = 0x01  # word 85: S.M.A.R.T. enabled
    return bytes(words)


def smart_page(celsius):
    page = bytearray(512)
    page[0:2] = b"\x10\x00"
    for n, attribute in enumerate([0x01, 0x09, 0xC2, 0xC5]):
        at = 2 + 12 * n
        page[at] = attribute
        page[at + 3] = 100
        page[at + 5] = celsius if attribute == 0xC2 else 7
    return bytes(page)


def not_ready(ascq):
    sense = bytearray(18)
    sense[0], sense[2], sense[7], sense[12], sense[13] = 0x70, 0x02, 10, 0x3A, ascq
    return sense


def device_answers():
    t = "DeviceAnswersFuzz"
    put(t, "inquiry-disk", [0, 0] + list(answer(inquiry("VARNKELD", "HD-PNTU3 ", "0108", "  j539 bridge"))))
    put(t, "inquiry-service", [8, 1] + list(answer(inquiry("  ATA ", "Optical  Drive", "\0\0\0\0", "JM20339"))))
    put(t, "read-capacity-16", [1, 0] + list(answer(struct.pack(">II", 0xFFFFFFFF, 512))
                                            + answer(struct.pack(">QI", 0x1D1C0BEAF, 4096).ljust(32, b"\0"))))
    put(t, "mode-sense-not-ready", [2, 0, 0x40, 0x1C] + list(answer(bytes([0, 0x16, 0, 0, 0, 0, 0, 0, 0x1C, 0x0A]))
                                                            + answer(sense=not_ready(0x01))))
    put(t, "ata-fixed", [3, 0, 0, 0] + list(answer(identify("WD-123456789", "Disk Model"), registers=[0, 0, 0, 0, 0, 0, 0x50])
                                            + answer(registers=[0, 0, 0, 0x4F, 0xC2, 0, 0x50])
                                            + answer(smart_page(38), registers=[0, 0, 0, 0, 0, 0, 0x50])))
    put(t, "ata-sat-service", [3, 1, 4, 0] + list(answer(identify("SAT0001", "Bridged Disk"))
                                                  + answer(sense=[0x72, 0, 0, 0, 0, 0, 0, 14, 9, 12, 0, 0, 0, 1, 0, 0, 0, 0x50])
                                                  + answer(smart_page(41))))
    put(t, "ata-varnkeld", [3, 0, 1, 0] + list(answer(identify("VK-0042", "Maker Disk")) + answer(bytes(16))
                                               + answer(bytes(6) + b"  VK bridge 2.1 \0")))
    put(t, "ata-jm-j539", [3, 0, 2, 4] + list(answer(identify("JM-1", "JM Disk")) + answer(bytes(range(64)))))
    put(t, "raw-answers", [4, 0] + list(smart_page(45)))
    put(t, "bridge-text", [5, 0, 14] + list(b"  JMS578 v2 \t\0x"))
    put(t, "jm-detect", [6, 0] + list(answer(inquiry("JMicron", "Generic", "0100", "j336xyz"))
                                      + answer(bytes(86) + b"JMS336 firmware ")))
    put(t, "sat-probe", [7, 0] + list(answer(identify("PROBE", "Probe Disk"))))


def optical_answers():
    t = "OpticalAnswersFuzz"
    profile = lambda p: bytes([0, 0, 0, 0x24, 0, 0, 0, p])
    put(t, "dvd-closed", [0, 0] + list(answer(profile(0x10)) + answer(bytes([0, 0x20, 0x0E, 1])) + answer()))
    put(t, "cdrom-number-tray-open", [1, 0] + list(answer(flags=1) + answer(flags=1) + answer(sense=not_ready(0x02))))
    put(t, "removable-service", [0, 1] + list(answer(profile(0x02)) + answer(bytes([0, 0x20, 0x01, 1]))
                                             + answer(status=0x08)))


def enumeration():
    t = "DeviceEnumerationFuzz"
    def seed(lines, answers):
        body = text("".join(line + "\n" for line in lines))
        return list(struct.pack("<H", len(body))) + list(body) + list(answers)
    usb = ["\\\\?\\usbstor#disk&ven_varnkeld&prod_hd-pntu3&rev_0108#0123456789&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}",
           "USB\\VID_0411&PID_01F0\\0123456789"]
    ide = ["\\\\?\\ide#diskmaker_disk_1.0#5&2a0d3c&0&0.0.0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}", "PCIIDE\\IDECHANNEL\\4&1"]
    sbp2 = ["\\\\?\\sbp2#maker&disk&lun0#0800460102a2b3c4#{53f56307}", "1394\\MAKER&DISK\\0800460102A2B3C4"]
    cdrom = ["\\\\?\\scsi#cdrom&ven_opt&prod_drive#4&1#{53f56308-b6bf-11d0-94f2-00a0c91efb8b}", ""]
    answers = (answer(struct.pack("<III", 7, 1, 0)) + answer(struct.pack("<IBBBB", 8, 0, 1, 1, 0))
               + answer(inquiry("VARNKELD", "HD-PNTU3", "0108", "")) + answer(struct.pack("<qIIII", 1000, 12, 255, 63, 512)))
    put(t, "usb-disk", seed(usb, answers * 2))
    put(t, "ide-and-1394", seed(ide + sbp2, answers + answer(identify("SER1", "Model")) + answers))
    put(t, "disks-and-optical", seed(usb + [""] + cdrom, answers + answer(bytes([0, 0, 0, 0x24, 0, 0, 0, 0x10]))))


def record_struct(title, target):
    record = bytearray(2608)
    record[0:len(text(title))] = text(title)
    record[520:520 + len(text(target))] = text(target)
    record[2080:2084] = struct.pack("<I", 1)
    return ("".join("%02X" % b for b in record) + "%02X" % (sum(record) & 0xFF)).encode("utf-16-le")


def settings_files():
    t = "SettingsFilesFuzz"
    lines = lambda *values: list(text("".join(v + "\n" for v in values)))
    put(t, "gadget-options", [0] + lines("HD-PNTU3", "0123", "1", "", "4", "6", "2", "EFG", "-12"))
    put(t, "save-settings", [1] + lines("", "", "12", "D:\\Dropped\\"))
    put(t, "shortcut-record", [2] + lines("", "") + list(record_struct("notepad", "C:\\Windows\\notepad.exe")))
    put(t, "shortcut-text", [2] + lines("", "", "C:\\Users\\Public\\Documents"))
    put(t, "power-save-usb", [0x13] + lines("[HD=PNTU3", "01;23\t", "1", "2"))
    put(t, "power-save-release", [0x23] + lines("Disk", "SER", "", "0"))


def shortcut_records():
    t = "ShortcutRecordFuzz"
    # One 6-byte item and the terminator: words 0xBBAA0006, 0x0000DDCC, 0.
    put(t, "item-list", [0] + list(text("-1146486778,56780,0,")))
    put(t, "item-list-bad", [0] + list(text("12,99999999999,")))
    put(t, "record", [1] + list(record_struct("calc", "C:\\Windows\\System32\\calc.exe")))
    raw = bytearray(2608)
    raw[0:520] = b"\x41\x00" * 260  # a title without its NUL
    put(t, "record-bytes", [2] + list(raw))


def array_status():
    t = "ArrayStatusFuzz"
    block = lambda *head: bytes(head).ljust(512, b"\0")
    put(t, "rebuilding-v1", [0] + list(answer(block(1, 0, 0x12, 42, 0x80, 0x80))))
    put(t, "degraded-v2-ata", [1] + list(answer(block(2, 0, 0x41, 0x7F, 0xFF, 0x80, 0x00, 0x80, 0x00), registers=[0, 0, 0, 0, 0, 0, 0x50])))
    put(t, "degraded-v3-nir5g", [2] + list(answer(flags=1) + answer(block(3, 0, 0x11, 0, 0x80, 0x00))))
    put(t, "bridge-fails-service", [4] + list(answer(flags=1) + answer(flags=1)))


def launcher_registry():
    t = "LauncherRegistryFuzz"
    def value(kind, data):
        return bytes([kind]) + struct.pack("<H", len(data)) + data
    dword, string, multi = 4, 1, 5  # indices of FuzzRegistry's type table
    stored = (value(dword, struct.pack("<I", 1)) + value(dword, struct.pack("<I", 0x203)) + value(string, text("120\0"))
              + value(string, text("-40\0")) + value(multi, text("first\0Second\0\0")))
    put(t, "multi-sz", list(text("REG_MULTI_SZ, second\n")) + list(stored))
    put(t, "dword", list(text("REG_DWORD,0x0000000a\n")) + list(stored))
    put(t, "sz-missing", list(text(" REG_SZ ,345\n")) + [0, 0, 0, 0, 0])
    put(t, "position-odd", list(text("REG_EXPAND_SZ,%APPDATA%\n")) + list(value(7, b"x") + value(2, b"\0\0")
                                                                         + value(string, text("2147483647")) + value(string, b"-\0")))


device_answers()
optical_answers()
enumeration()
settings_files()
shortcut_records()
array_status()
launcher_registry()
