#include "since.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "name_quoting.h"
#include "report_fields.h"

namespace varnoke_las {

namespace {

// The statuses of refusals that the bytes of a file decide, whenever it is read.
constexpr int kRefusalsOfTheBytes[] = {
    VARNOKE_LAS_ERR_TOO_SHORT,        VARNOKE_LAS_ERR_NOT_LAS,
    VARNOKE_LAS_ERR_VERSION,          VARNOKE_LAS_ERR_POINT_FORMAT,
    VARNOKE_LAS_ERR_COMPRESSED,       VARNOKE_LAS_ERR_RECORD_LENGTH,
    VARNOKE_LAS_ERR_DATA_IN_HEADER,   VARNOKE_LAS_ERR_DATA_PAST_END,
    VARNOKE_LAS_ERR_TOO_MANY,         VARNOKE_LAS_ERR_EVLR_POINTER,
    VARNOKE_LAS_ERR_WAVEFORM_POINTER, VARNOKE_LAS_ERR_VLR_INTO_DATA,
    VARNOKE_LAS_ERR_LAZ_ITEMS,        VARNOKE_LAS_ERR_LAZ_ITEM_VERSION,
    VARNOKE_LAS_ERR_LAZ_NO_TABLE,     VARNOKE_LAS_ERR_LAZ_TABLE,
    VARNOKE_LAS_ERR_LAZ_CHUNK,        VARNOKE_LAS_ERR_EVLR_UNCOUNTED,
    VARNOKE_LAS_ERR_RECORDS_OVERLAP,
};

std::optional<uint64_t> unsigned_at(const JsonValue &object, std::string_view name) {
    const JsonValue *const v = object.member(name);
    return v != nullptr ? v->unsigned_number() : std::nullopt;
}

// A member that must be there as an unsigned number; false where it is not.
bool read_unsigned(const JsonValue &object, std::string_view name, uint64_t &to) {
    const std::optional<uint64_t> v = unsigned_at(object, name);
    if (v) to = *v;
    return v.has_value();
}

template <std::size_t N>
bool read_counts(const JsonValue &object, std::string_view name, uint64_t (&to)[N]) {
    const JsonValue *const v = object.member(name);
    if (v == nullptr || v->kind != JsonValue::Kind::array || v->items.size() != N) return false;
    for (std::size_t k = 0; k < N; ++k) {
        const std::optional<uint64_t> n = v->items[k].unsigned_number();
        if (!n) return false;
        to[k] = *n;
    }
    return true;
}

bool read_flag(const JsonValue &object, std::string_view name, int &to) {
    const JsonValue *const v = object.member(name);
    if (v == nullptr || v->kind != JsonValue::Kind::boolean) return false;
    to = v->boolean ? 1 : 0;
    return true;
}

// An object of numbers named by `keys`, in their order: a box {"max_x":..,...} in the report's
// order MaxX, MinX, ..., or the axes {"x":..,"y":..,"z":..}.
template <std::size_t N>
bool read_reals(const JsonValue &object, std::string_view name, const char *const (&keys)[N],
                double (&to)[N]) {
    const JsonValue *const v = object.member(name);
    if (v == nullptr) return false;
    for (std::size_t k = 0; k < N; ++k) {
        const JsonValue *const member = v->member(keys[k]);
        const std::optional<double> value = member != nullptr ? member->real() : std::nullopt;
        if (!value) return false;
        to[k] = *value;
    }
    return true;
}

bool is_null(const JsonValue &object, std::string_view name) {
    const JsonValue *const v = object.member(name);
    return v == nullptr || v->kind == JsonValue::Kind::null;
}

// The stale bits and sides the changes a repair writes name as stale.
void read_stale(const JsonValue &changes, varnoke_las_report &r) {
    for (const JsonValue &change : changes.items) {
        const JsonValue *const field = change.member("field");
        const JsonValue *const stale = change.member("stale");
        if (field == nullptr || stale == nullptr || !stale->boolean) continue;
        const std::string &key = field->text;
        if (key == "records") {
            r.stale |= VARNOKE_LAS_STALE_COUNT;
        } else if (key.starts_with("records_by_return.")) {
            r.stale |= VARNOKE_LAS_STALE_BY_RETURN;
        } else if (key.starts_with("legacy_")) {
            r.stale |= VARNOKE_LAS_STALE_LEGACY;
        } else if (key.starts_with("box.")) {
            r.stale |= VARNOKE_LAS_STALE_BOX;
            for (int k = 0; k < 6; ++k) {
                if (key.substr(4) == kSideKeys[k]) r.stale_box_sides |= 1u << k;
            }
        }
    }
}

// The warnings' codes as bits, and the sides of a box that is off.
void read_warnings(const JsonValue &warnings, varnoke_las_report &r) {
    for (const JsonValue &warning : warnings.items) {
        const JsonValue *const code = warning.member("code");
        if (code == nullptr) continue;
        for (unsigned bit = 0; bit < 64; ++bit) {
            if (code->text != varnoke_las_warning_code(uint64_t{1} << bit)) continue;
            r.warnings |= uint64_t{1} << bit;
            break;
        }
        if (const JsonValue *const sides = warning.member("sides")) {
            for (int k = 0; k < 6; ++k) {
                if (sides->member(kSideKeys[k]) != nullptr) r.warning_box_sides |= 1u << k;
            }
        }
    }
}

bool read_values(const JsonValue &line, varnoke_las_report &r) {
    bool ok =
        read_unsigned(line, "records", r.records) &&
        read_counts(line, "records_by_return", r.records_by_return) &&
        read_unsigned(line, "records_return_zero", r.records_return_zero) &&
        read_unsigned(line, "records_return_above", r.records_return_above) &&
        read_reals(line, "box", kSideKeys, r.box) &&
        read_unsigned(line, "stored_records", r.stored_records) &&
        read_counts(line, "stored_records_by_return", r.stored_records_by_return) &&
        read_reals(line, "stored_box", kSideKeys, r.stored_box) &&
        read_unsigned(line, "legacy_records", r.legacy_records) &&
        read_counts(line, "legacy_records_by_return", r.legacy_records_by_return) &&
        read_unsigned(line, "stored_legacy_records", r.stored_legacy_records) &&
        read_counts(line, "stored_legacy_records_by_return", r.stored_legacy_records_by_return) &&
        read_flag(line, "truncated", r.truncated) &&
        read_unsigned(line, "missing_bytes", r.missing_bytes) &&
        read_flag(line, "count_uncertain", r.count_uncertain) &&
        read_unsigned(line, "trailing_bytes", r.trailing_bytes);
    if (!ok) return false;
    // Null where nothing bounds the count.
    r.records_most = unsigned_at(line, "records_most").value_or(UINT64_MAX);
    if (const JsonValue *const missing = line.member("missing")) {
        for (const JsonValue &name : missing->items) {
            for (const Missing &m : kMissing) {
                if (name.text == m.key) r.missing |= m.bit;
            }
        }
    }
    if (const JsonValue *const changes = line.member("changes")) read_stale(*changes, r);
    if (const JsonValue *const warnings = line.member("warnings")) read_warnings(*warnings, r);
    return true;
}

bool read_layout(const JsonValue &line, varnoke_las_report &r) {
    uint64_t format = 0, length = 0;
    if (!read_unsigned(line, "point_format", format) ||
        !read_unsigned(line, "record_length", length) ||
        !read_flag(line, "compressed", r.compressed) ||
        !read_unsigned(line, "point_data_start", r.point_data_start) ||
        !read_unsigned(line, "point_data_end", r.point_data_end) ||
        !read_reals(line, "scale", kAxisKeys, r.scale) ||
        !read_reals(line, "offset", kAxisKeys, r.offset)) {
        return false;
    }
    r.point_format = static_cast<uint8_t>(format);
    r.record_length = static_cast<uint16_t>(length);
    if (const JsonValue *const crs = line.member("crs"); crs != nullptr && !is_null(line, "crs")) {
        const JsonValue *const source = crs->member("source");
        r.crs_source = source != nullptr && source->text == "wkt" ? VARNOKE_LAS_CRS_WKT
                                                                  : VARNOKE_LAS_CRS_GEOTIFF;
        r.crs_epsg = static_cast<uint32_t>(unsigned_at(*crs, "epsg").value_or(0));
        r.crs_vertical_epsg = static_cast<uint32_t>(unsigned_at(*crs, "vertical").value_or(0));
        r.crs_units = static_cast<uint32_t>(unsigned_at(*crs, "units").value_or(0));
    }
    return true;
}

bool read_identity(const JsonValue &file, FileIdentity &id) {
    const JsonValue *const modified = file.member("modified_ns");
    const JsonValue *const changed = file.member("status_changed_ns");
    if (modified == nullptr || changed == nullptr) return false;
    const std::optional<int64_t> m = modified->signed_number(), c = changed->signed_number();
    if (!m || !c || !read_unsigned(file, "device", id.device) ||
        !read_unsigned(file, "inode", id.inode) || !read_unsigned(file, "size", id.size)) {
        return false;
    }
    id.modified_ns = *m;
    id.status_changed_ns = *c;
    return true;
}

// The path a line records: its bytes where JSON could not hold them.
std::optional<std::string> recorded_path(const JsonValue &line) {
    const JsonValue *const path = line.member("path");
    if (path == nullptr || path->kind != JsonValue::Kind::string) return std::nullopt;
    const JsonValue *const bytes = line.member("path_bytes");
    if (bytes == nullptr) return path->text;
    return from_base64(bytes->text);
}

// The value of the member `"name":` of a line of layout 2, whose members are written in one
// order and whose strings hold no unescaped quote: found by its text, no string can hold it.
std::optional<JsonValue> member_of(std::string_view line, std::string_view name) {
    std::string key = "\"";
    key.append(name);
    key += "\":";
    const std::size_t at = line.find(key);
    if (at == std::string_view::npos) return std::nullopt;
    std::size_t end = at + key.size();
    if (end < line.size() && line[end] == '"') {
        // A string: to its closing quote.
        for (++end; end < line.size() && line[end] != '"'; ++end) {
            if (line[end] == '\\') ++end;
        }
        ++end;
    } else if (end < line.size() && line[end] == '{') {
        end = line.find('}', end) + 1;  // the file's object holds no other object
    } else {
        while (end < line.size() && line[end] != ',' && line[end] != '}') ++end;
    }
    JsonValue value;
    if (end > line.size() ||
        !parse_json(line.substr(at + key.size(), end - at - key.size()), value))
        return std::nullopt;
    return value;
}

// What the index of a report keeps of one line: the path it records and its file's identity.
std::optional<std::string> path_and_identity(std::string_view line, FileIdentity &identity) {
    if (!line.starts_with("{\"format\":2,")) return std::nullopt;
    const std::optional<JsonValue> path = member_of(line, "path");
    const std::optional<JsonValue> file = member_of(line, "file");
    if (!path || path->kind != JsonValue::Kind::string || !file || !read_identity(*file, identity))
        return std::nullopt;
    // The bytes of a path, where JSON could not hold them, follow it before the result.
    if (const std::optional<JsonValue> bytes =
            member_of(line.substr(0, line.find(",\"result\":")), "path_bytes")) {
        return from_base64(bytes->text);
    }
    return path->text;
}

bool layout_2(const JsonValue &line) {
    return unsigned_at(line, "format") == 2u && line.member("result") != nullptr;
}

}  // namespace

std::optional<FileIdentity> identity_of(const Entry &entry) {
#if defined(_WIN32)
    (void)entry;
    return std::nullopt;
#else
    struct stat st;
    const int got = entry.folder
                        ? fstatat(entry.folder->fd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW)
                        : stat(entry.path.c_str(), &st);
    if (got != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    FileIdentity id;
    id.device = static_cast<uint64_t>(st.st_dev);
    id.inode = static_cast<uint64_t>(st.st_ino);
    id.size = static_cast<uint64_t>(st.st_size);
    id.modified_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    id.status_changed_ns =
        static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return id;
#endif
}

bool reusable(const FileResult &recorded, Command command) {
    switch (recorded.outcome) {
        case Outcome::ok:
        case Outcome::uncertain:
            return true;
        case Outcome::stale:
        case Outcome::truncated:
            return command == Command::check;
        case Outcome::repaired:
            return false;
        case Outcome::refused:
            for (const int status : kRefusalsOfTheBytes) {
                if (recorded.status == status) return true;
            }
            return false;
    }
    return false;
}

bool result_from_json(const JsonValue &line, const Options &options, FileResult &out) {
    out = FileResult{};
    if (!layout_2(line)) return false;
    const std::optional<std::string> path = recorded_path(line);
    const std::optional<int64_t> status =
        line.member("status") != nullptr ? line.member("status")->signed_number() : std::nullopt;
    if (!path || !status) return false;
    out.path = *path;
    out.status = static_cast<int>(*status);
    varnoke_las_report &r = out.report;
    if (const JsonValue *const file = line.member("file");
        file != nullptr && !is_null(line, "file")) {
        FileIdentity id;
        if (!read_identity(*file, id)) return false;
        r.known |= VARNOKE_LAS_KNOWN_FILE;
        r.file_device = id.device;
        r.file_inode = id.inode;
        r.file_size = id.size;
        r.file_modified_ns = id.modified_ns;
        r.file_status_changed_ns = id.status_changed_ns;
    }
    if (!is_null(line, "version")) {
        const std::string &version = line.member("version")->text;
        unsigned major = 0, minor = 0;
        if (std::sscanf(version.c_str(), "%u.%u", &major, &minor) != 2) return false;
        r.known |= VARNOKE_LAS_KNOWN_VERSION;
        r.version_major = static_cast<uint8_t>(major);
        r.version_minor = static_cast<uint8_t>(minor);
    }
    if (!is_null(line, "point_format")) {
        if (!read_layout(line, r)) return false;
        r.known |= VARNOKE_LAS_KNOWN_LAYOUT;
    }
    if (!is_null(line, "records")) {
        if (!read_values(line, r)) return false;
        r.known |= VARNOKE_LAS_KNOWN_VALUES;
    }
    if (!read_flag(line, "written", r.written)) return false;
    interpret(out, options);
    // The line must read back to what it records; else the file is judged anew.
    return line.member("result")->text == result_word(out.outcome);
}

EarlierReport::~EarlierReport() {
#if !defined(_WIN32)
    if (fd_ >= 0) close(fd_);
#endif
}

bool EarlierReport::load(const std::string &path, std::string &error) {
    // Read through a descriptor, not a stream: the lines taken are read again through it.
#if defined(_WIN32)
    std::FILE *const file = std::fopen(path.c_str(), "rb");
    const bool opened = file != nullptr;
#else
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const bool opened = fd_ >= 0;
#endif
    if (!opened) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    std::string text;
    uint64_t line_at = 0, at = 0;
    // The index reads only the path and the file of each line: the whole line is read when its
    // file is taken.
    const auto index = [&] {
        Line entry;
        const std::optional<std::string> recorded = path_and_identity(text, entry.identity);
        if (!recorded) return;
        entry.at = line_at;
        entry.bytes = text.size();
        lines_.insert_or_assign(*recorded, entry);
    };
    char block[65536];
    for (;;) {
#if defined(_WIN32)
        const auto got = static_cast<int64_t>(std::fread(block, 1, sizeof block, file));
        if (got == 0 && std::ferror(file)) break;
#else
        const auto got = static_cast<int64_t>(read(fd_, block, sizeof block));
        if (got < 0 && errno == EINTR) continue;
#endif
        if (got <= 0) {
            if (got < 0) break;
            if (!text.empty()) index();
#if defined(_WIN32)
            std::fclose(file);
#endif
            return true;
        }
        const char *from = block, *const end = block + got;
        while (from < end) {
            const char *const newline = static_cast<const char *>(
                std::memchr(from, '\n', static_cast<std::size_t>(end - from)));
            const char *const stop = newline != nullptr ? newline : end;
            text.append(from, stop);
            at += static_cast<uint64_t>(stop - from);
            if (newline == nullptr) break;
            ++at;
            index();
            text.clear();
            line_at = at;
            from = newline + 1;
        }
    }
#if defined(_WIN32)
    std::fclose(file);
#endif
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
}

std::optional<FileResult> EarlierReport::reuse(const Entry &entry, const Options &options) const {
#if defined(_WIN32)
    (void)entry;
    (void)options;
    return std::nullopt;
#else
    const auto found = lines_.find(entry.path);
    if (found == lines_.end()) return std::nullopt;
    const std::optional<FileIdentity> now = identity_of(entry);
    if (!now || !(*now == found->second.identity)) return std::nullopt;
    std::string text(found->second.bytes, '\0');
    if (pread(fd_, text.data(), text.size(), static_cast<off_t>(found->second.at)) !=
        static_cast<ssize_t>(text.size())) {
        return std::nullopt;
    }
    JsonValue line;
    FileResult result;
    if (!parse_json(text, line) || !result_from_json(line, options, result)) return std::nullopt;
    // Judged by other rules, the same bytes may give another result.
    const JsonValue *const rules = line.member("rules");
    const JsonValue *const strict = rules != nullptr ? rules->member("strict") : nullptr;
    const JsonValue *const exact = rules != nullptr ? rules->member("exact") : nullptr;
    if (strict == nullptr || exact == nullptr || strict->boolean != options.strict ||
        exact->boolean != options.exact || !reusable(result, options.command)) {
        return std::nullopt;
    }
    result.path = entry.path;
    result.reused = true;
    return result;
#endif
}

}  // namespace varnoke_las
