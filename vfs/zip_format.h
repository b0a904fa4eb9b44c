// The facts of the ZIP format that the mount's reader and every writer share: the records'
// signatures, fixed sizes and field offsets, the methods and flags used, and the MS-DOS dates
// and times that the headers hold. Numbers are little-endian in the file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zip {

const uint32_t kLocalHeaderSignature = 0x04034b50;
const uint32_t kFileHeaderSignature = 0x02014b50; // in the central directory
const uint32_t kEndSignature = 0x06054b50;
const uint32_t kZip64EndSignature = 0x06064b50;
const uint32_t kZip64LocatorSignature = 0x07064b50;

// The fixed part of each record; names, extra fields and comments follow it.
const size_t kLocalHeaderSize = 30;
const size_t kFileHeaderSize = 46;
const size_t kEndSize = 22;
const size_t kZip64EndSize = 56;
const size_t kZip64LocatorSize = 20;
const size_t kMaxCommentLength = 65535;

// The fields that the local header and the file header share, from the version needed to
// extract on, start this far into each.
const size_t kLocalCommonFields = 4;
const size_t kFileCommonFields = 6;
// Within the shared fields.
const size_t kFlags = 2;
const size_t kMethod = 4;
const size_t kTime = 6;
const size_t kDate = 8;
const size_t kCrc = 10;
const size_t kCompressedSize = 14;
const size_t kSize = 18;
const size_t kNameLength = 22;
const size_t kExtraLength = 24;
// The file header's own fields.
const size_t kFileVersionMadeBy = 4;
const size_t kFileCommentLength = 32;
const size_t kFileExternalAttributes = 38;
const size_t kFileLocalHeaderOffset = 42;
// The end record's.
const size_t kEndEntryCount = 10;
const size_t kEndDirectorySize = 12;
const size_t kEndDirectoryOffset = 16;
const size_t kEndCommentLength = 20;
// The ZIP64 end record's and its locator's.
const size_t kZip64EndEntryCount = 32;
const size_t kZip64EndDirectorySize = 40;
const size_t kZip64EndDirectoryOffset = 48;
const size_t kZip64LocatorEndOffset = 8;

const uint16_t kStored = 0;
const uint16_t kDeflated = 8;
const uint16_t kEncryptedFlag = 1;
const uint16_t kUtf8Flag = 1 << 11; // the name is UTF-8
const uint16_t kZip64ExtraId = 1;
// The high byte of "version made by" names the system whose attributes the header holds; a
// Unix one keeps the file's mode in the external attributes' high 16 bits.
const unsigned kMadeByUnix = 3;
const uint32_t kDosDirectoryAttribute = 0x10;

// A date and time as the headers hold them: the year from 1980 in 7 bits, the month and the
// day; the hour, the minute and the second halved.
struct DosTime {
    uint16_t date, time;
};
struct CalendarTime {
    unsigned year, month, day, hour, minute, second;
};
const unsigned kFirstDosYear = 1980;
const unsigned kLastDosYear = 2107;

// `calendar` must lie between kFirstDosYear and kLastDosYear; odd seconds round down.
inline DosTime ToDosTime(const CalendarTime& calendar) {
    return {uint16_t((calendar.year - kFirstDosYear) << 9 | calendar.month << 5 | calendar.day),
            uint16_t(calendar.hour << 11 | calendar.minute << 5 | calendar.second / 2)};
}

inline CalendarTime ToCalendarTime(DosTime dos) {
    return {kFirstDosYear + (dos.date >> 9u), (dos.date >> 5u) & 15u, dos.date & 31u,
            unsigned(dos.time >> 11u),        (dos.time >> 5u) & 63u, (dos.time & 31u) * 2};
}

} // namespace zip
