#include "status_text.h"

#include <cstdio>

#include "Varnoke_LiDAR.h"
#include "header_bytes.h"
#include "messages.h"

namespace varnoke {

namespace {

constexpr StatusText kTable[] = {
    {VARNOKE_LAS_OK, "success", nullptr},
    {VARNOKE_LAS_ERR_ARGUMENT, "no path or no report was given, or a record too small", nullptr},
    {VARNOKE_LAS_ERR_OPEN, "the file cannot be opened for reading", msg::kCannotOpenForUpdate},
    {VARNOKE_LAS_ERR_NOT_REGULAR, "not a regular file (a folder, pipe, socket or device)",
     msg::kChangedSinceValidation},
    {VARNOKE_LAS_ERR_READ, "the system reported an error while reading the file", msg::kReadError},
    {VARNOKE_LAS_ERR_TOO_SHORT,
     "the file or its header is too short for a LAS header of its version", msg::kTooShort},
    {VARNOKE_LAS_ERR_NOT_LAS, "not a LAS file (no LASF signature)", msg::kChangedSinceValidation},
    {VARNOKE_LAS_ERR_VERSION, "a LAS version other than 1.0 to 1.4", msg::kChangedSinceValidation},
    {VARNOKE_LAS_ERR_POINT_FORMAT, "a point data format that its LAS version does not define",
     msg::kNoRecordLayout, MessageArgs::kNameFormatVersion},
    {VARNOKE_LAS_ERR_COMPRESSED,
     "compressed point data of a kind this library does not decode (its LAZ compressor or coder)",
     msg::kChangedSinceValidation},
    {VARNOKE_LAS_ERR_RECORD_LENGTH, "a point record length shorter than its point data format",
     msg::kChangedSinceValidation},
    {VARNOKE_LAS_ERR_DATA_IN_HEADER, "the offset to point data lies inside the header",
     msg::kDataInsideHeader, MessageArgs::kNameOffset},
    {VARNOKE_LAS_ERR_DATA_PAST_END, "the offset to point data lies past the end of the file",
     msg::kDataPastTheEnd, MessageArgs::kNameOffset},
    {VARNOKE_LAS_ERR_TOO_MANY, "more point records than the header's 32-bit count can hold",
     msg::kTooManyRecords},
    {VARNOKE_LAS_ERR_NO_MEMORY, "not enough memory to read the file", msg::kNoMemory},
    {VARNOKE_LAS_ERR_OPEN_WRITE, "the stale file cannot be opened for writing",
     msg::kCannotOpenForUpdate},
    {VARNOKE_LAS_ERR_CHANGED, "the file changed while it was read; nothing was written to it",
     msg::kChangedWhileRead},
    {VARNOKE_LAS_ERR_WRITE,
     "writing the header failed; its first bytes may hold the old or the new header",
     msg::kCannotWrite},
    {VARNOKE_LAS_ERR_EVLR_POINTER,
     "extended VLRs are counted, but their start lies before the point data", nullptr},
    {VARNOKE_LAS_ERR_WAVEFORM_POINTER,
     "the start of waveform data contradicts the header: among the point records while the "
     "data is said to be elsewhere, or before the point data while said to be in the file",
     nullptr},
    {VARNOKE_LAS_ERR_VLR_INTO_DATA, "a variable-length record runs past the offset to point data",
     nullptr},
    {VARNOKE_LAS_ERR_TRUNCATED,
     "the file ends before what its header declares (point records, the LAZ chunk table, "
     "extended VLRs or waveform data), as a cut-off file does; nothing was written to it",
     nullptr},
    {VARNOKE_LAS_ERR_LAZ_ITEMS,
     "compressed point data without a LASzip VLR, or whose items do not match the point format "
     "and record length",
     nullptr},
    {VARNOKE_LAS_ERR_LAZ_ITEM_VERSION,
     "LAZ items of a version this library does not decode (LASzip before 2.0)", nullptr},
    {VARNOKE_LAS_ERR_LAZ_NO_TABLE,
     "the LAZ chunk table is missing, as when its writer did not finish", nullptr},
    {VARNOKE_LAS_ERR_LAZ_TABLE,
     "the LAZ chunk table lies outside the point data or contradicts the chunks", nullptr},
    {VARNOKE_LAS_ERR_LAZ_CHUNK,
     "a LAZ chunk cannot be decoded: cut short, corrupt, or holding more points than it may",
     nullptr},
    {VARNOKE_LAS_ERR_COUNT_UNCERTAIN,
     "the bytes of the last LAZ chunk allow more than one point count; nothing was written",
     nullptr},
    {VARNOKE_LAS_ERR_LINK,
     "a symbolic link where a file was found in its folder; it is not followed", nullptr},
    {VARNOKE_LAS_ERR_EVLR_UNCOUNTED,
     "a start of extended VLRs is set while none is counted, and it lies before the end of the "
     "file",
     nullptr},
    {VARNOKE_LAS_ERR_RECORDS_OVERLAP,
     "the header declares more point records than fit before the extended VLRs or the "
     "waveform data it points to",
     nullptr},
    {VARNOKE_LAS_ERR_STOPPED, "stopped on request before the file was judged; nothing was written",
     nullptr},
    {VARNOKE_LAS_ERR_FOLDER,
     "a folder that cannot be opened or read; the files in it are not judged", nullptr},
};

}  // namespace

const StatusText *status_text(int status) {
    for (const StatusText &row : kTable) {
        if (row.status == status) return &row;
    }
    return nullptr;
}

void print_update_message(int status, const char *filename, const unsigned char *header) {
    const StatusText *const row = status_text(status);
    const char *const message =
        row && row->update_message ? row->update_message : msg::kChangedSinceValidation;
    switch (row ? row->args : MessageArgs::kName) {
        case MessageArgs::kName:
            std::printf(message, filename);
            break;
        case MessageArgs::kNameOffset:
            std::printf(message, filename,
                        static_cast<unsigned>(load<uint32_t>(header, at::kOffsetToData)));
            break;
        case MessageArgs::kNameFormatVersion:
            std::printf(message, filename, '0' + header[at::kPointFormat],
                        '0' + header[at::kVersionMajor], '0' + header[at::kVersionMinor]);
            break;
    }
}

}  // namespace varnoke
