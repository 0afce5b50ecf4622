// The rows of the device icon table. PLACEHOLDER: every value below stands in for the
// maker's real data until a maintainer fills it in: the maker's USB vendor id, the USB
// product ids, the IEEE 1394 node-identifier prefixes and the icon file of each. The
// placeholders can match no real device: vendor id 0 is never taken as the maker's, and
// the prefixes hold letters that a hexadecimal node identifier cannot contain.
#include "control/panels/DeviceIconTable.h"

namespace tavolen {

const DeviceIconTable& MakerIconTable() {
  static const DeviceIconTable table{
    u"HDD\\PLACEHOLDER-ARRAY.ico",
    {
      {u"PLACEHOLDER-1394-A", u"HDD\\PLACEHOLDER-1394-A.ico"},
      {u"PLACEHOLDER-1394-B", u"HDD\\PLACEHOLDER-1394-B.ico"},
      {u"PLACEHOLDER-1394-C", u"HDD\\PLACEHOLDER-1394-C.ico"},
      {u"PLACEHOLDER-1394-D", u"CD,DVD\\PLACEHOLDER-1394-D.ico"},
      {u"PLACEHOLDER-1394-E", u"MO\\PLACEHOLDER-1394-E.ico"},
    },
    0x0000,  // PLACEHOLDER: the maker's USB vendor id
    {
      {0x0F01, u"HDD\\PLACEHOLDER-USB-0F01.ico"},
      {0x0F02, u"HDD\\PLACEHOLDER-USB-0F02.ico"},
      {0x0F03, u"HDD\\PLACEHOLDER-USB-0F03.ico"},
      {0x0F04, u"HDD\\PLACEHOLDER-USB-0F04.ico"},
      {0x0F05, u"HDD\\PLACEHOLDER-USB-0F05.ico"},
      {0x0F06, u"HDD\\PLACEHOLDER-USB-0F06.ico"},
      {0x0F07, u"HDD\\PLACEHOLDER-USB-0F07.ico"},
      {0x0F08, u"HDD\\PLACEHOLDER-USB-0F08.ico"},
      {0x0F09, u"HDD\\PLACEHOLDER-USB-0F09.ico"},
      {0x0F0A, u"HDD\\PLACEHOLDER-USB-0F0A.ico"},
      {0x0F0B, u"HDD\\PLACEHOLDER-USB-0F0B.ico"},
      {0x0F0C, u"HDD\\PLACEHOLDER-USB-0F0C.ico"},
      {0x0F0D, u"HDD\\PLACEHOLDER-USB-0F0D.ico"},
      {0x0F0E, u"HDD\\PLACEHOLDER-USB-0F0E.ico"},
      {0x0F0F, u"HDD\\PLACEHOLDER-USB-0F0F.ico"},
      {0x0F10, u"HDD\\PLACEHOLDER-USB-0F10.ico"},
      {0x0F11, u"HDD\\PLACEHOLDER-USB-0F11.ico"},
      {0x0F12, u"HDD\\PLACEHOLDER-USB-0F12.ico"},
      {0x0F13, u"HDD\\PLACEHOLDER-USB-0F13.ico"},
      {0x0F14, u"HDD\\PLACEHOLDER-USB-0F14.ico"},
      {0x0F15, u"HDD\\PLACEHOLDER-USB-0F15.ico"},
      {0x0F16, u"HDD\\PLACEHOLDER-USB-0F16.ico"},
      {0x0F17, u"HDD\\PLACEHOLDER-USB-0F17.ico"},
      {0x0F18, u"HDD\\PLACEHOLDER-USB-0F18.ico"},
      {0x0F19, u"HDD\\PLACEHOLDER-USB-0F19.ico"},
      {0x0F1A, u"HDD\\PLACEHOLDER-USB-0F1A.ico"},
      {0x0F1B, u"HDD\\PLACEHOLDER-USB-0F1B.ico"},
      {0x0F1C, u"HDD\\PLACEHOLDER-USB-0F1C.ico"},
      {0x0F1D, u"HDD\\PLACEHOLDER-USB-0F1D.ico"},
      {0x0F1E, u"HDD\\PLACEHOLDER-USB-0F1E.ico"},
      {0x0F1F, u"HDD\\PLACEHOLDER-USB-0F1F.ico"},
      {0x0F20, u"HDD\\PLACEHOLDER-USB-0F20.ico"},
      {0x0F21, u"HDD\\PLACEHOLDER-USB-0F21.ico"},
      {0x0F22, u"HDD\\PLACEHOLDER-USB-0F22.ico"},
      {0x0F23, u"HDD\\PLACEHOLDER-USB-0F23.ico"},
      {0x0F24, u"HDD\\PLACEHOLDER-USB-0F24.ico"},
      {0x0F25, u"CD,DVD\\PLACEHOLDER-USB-0F25.ico"},
      {0x0F26, u"CD,DVD\\PLACEHOLDER-USB-0F26.ico"},
      {0x0F27, u"CD,DVD\\PLACEHOLDER-USB-0F27.ico"},
      {0x0F28, u"CD,DVD\\PLACEHOLDER-USB-0F28.ico"},
      {0x0F29, u"CD,DVD\\PLACEHOLDER-USB-0F29.ico"},
      {0x0F2A, u"CD,DVD\\PLACEHOLDER-USB-0F2A.ico"},
      {0x0F2B, u"CD,DVD\\PLACEHOLDER-USB-0F2B.ico"},
      {0x0F2C, u"CD,DVD\\PLACEHOLDER-USB-0F2C.ico"},
      {0x0F2D, u"CD,DVD\\PLACEHOLDER-USB-0F2D.ico"},
      {0x0F2E, u"CD,DVD\\PLACEHOLDER-USB-0F2E.ico"},
      {0x0F2F, u"MO\\PLACEHOLDER-USB-0F2F.ico"},
      {0x0F30, u"MO\\PLACEHOLDER-USB-0F30.ico"},
      {0x0F31, u"MO\\PLACEHOLDER-USB-0F31.ico"},
      {0x0F32, u"MO\\PLACEHOLDER-USB-0F32.ico"},
    },
    u"HDD\\PLACEHOLDER-GENERIC.ico",
  };
  return table;
}

}  // namespace tavolen
