#include "payload/payload_reader.h"

#include <zlib.h>

#include <algorithm>
#include <string>

#include "base/error.h"
#include "payload/fixed_huffman.h"
#include "payload/marker.h"
#include "payload_format.h"
#include "settings_block.h"
#include "zlib_inflate.h"

namespace boxlift {
namespace {

// The core's reader over the file, read ahead in pieces. It notes where
// each record starts, so that a failure can name the record and its offset.
class StreamRead {
public:
    StreamRead(const RandomAccess& file, std::uint64_t streamOffset, ReadOptions options,
               std::function<void(ByteView)> take = nullptr)
        : file_(file),
          at_(std::min(streamOffset, file.size)),
          recordStart_(streamOffset + 4),
          options_(options),
          take_(std::move(take)) {}

    ByteSource Source() { return {this, Read, Skip, nullptr}; }
    PackageSink Sink() {
        return {this, Write, [](void*, uint32_t) {}, [](void*) { return 0; }};
    }
    ChunkInflater Inflater() { return {this, Inflate}; }

    std::uint64_t at() const { return at_; }

    // Turns a result other than complete into an Error about the record.
    void Check(ChunkStreamResult result) const;

private:
    static constexpr std::size_t kReadAhead = 1 << 20;

    static uint32_t Read(void* self, void* buffer, uint32_t size);
    static int Skip(void* self, uint32_t size);
    static uint32_t Write(void* self, const void* data, uint32_t size);
    static int Inflate(void* self, uint8_t* out, uint32_t* outLength, const uint8_t* in,
                       uint32_t inLength);
    std::size_t Fill(std::uint8_t* out, std::size_t size);
    void RecordDone() {
        ++records_;
        recordStart_ = at_;
    }
    std::string HeaderProblem() const;

    const RandomAccess& file_;
    std::uint64_t at_;
    std::uint64_t recordStart_;
    std::size_t records_ = 0;
    ReadOptions options_;
    std::string dataProblem_;  // why the last record's data was refused
    std::function<void(ByteView)> take_;
    Bytes ahead_;  // the file's bytes from aheadStart_
    std::uint64_t aheadStart_ = 0;
};

// Copies size bytes from at_ on, out of the bytes read ahead where it can;
// a read as large as the read-ahead goes to the file directly.
std::size_t StreamRead::Fill(std::uint8_t* out, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const std::uint64_t at = at_ + done;
        if (at >= aheadStart_ && at < aheadStart_ + ahead_.size()) {
            const std::size_t from = static_cast<std::size_t>(at - aheadStart_);
            const std::size_t count = std::min(size - done, ahead_.size() - from);
            std::copy_n(ahead_.begin() + from, count, out + done);
            done += count;
        } else if (size - done >= kReadAhead) {
            const std::size_t count = file_.readAt(at, {out + done, size - done});
            done += count;
            if (count == 0) break;
        } else {
            ahead_.resize(kReadAhead);
            ahead_.resize(file_.readAt(at, ahead_));
            aheadStart_ = at;
            if (ahead_.empty()) break;
        }
    }
    return done;
}

uint32_t StreamRead::Read(void* self, void* buffer, uint32_t size) {
    auto& r = *static_cast<StreamRead*>(self);
    const std::size_t count = r.Fill(static_cast<uint8_t*>(buffer), size);
    r.at_ += count;
    return static_cast<uint32_t>(count);
}

int StreamRead::Skip(void* self, uint32_t size) {
    auto& r = *static_cast<StreamRead*>(self);
    if (size > r.file_.size - r.at_) return 0;
    r.at_ += size;
    r.RecordDone();
    return 1;
}

uint32_t StreamRead::Write(void* self, const void* data, uint32_t size) {
    auto& r = *static_cast<StreamRead*>(self);
    r.take_(ByteView(static_cast<const uint8_t*>(data), size));
    r.RecordDone();
    return size;
}

// zlib's own word for a stream that does not inflate, for the message.
std::string ZlibComplaint(ByteView stream, uint32_t room) {
    Bytes out(room);
    uLongf produced = room;
    uLong consumed = static_cast<uLong>(stream.size());
    int status = uncompress2(out.data(), &produced, stream.data(), &consumed);
    if (status == Z_BUF_ERROR && consumed == stream.size())
        return "the zlib stream is cut short or inflates to more than inflatedSize";
    if (status == Z_DATA_ERROR) return "the zlib stream is corrupt (bad deflate data or Adler-32)";
    return "the zlib stream does not inflate (zlib status " + std::to_string(status) + ")";
}

int StreamRead::Inflate(void* self, uint8_t* out, uint32_t* outLength, const uint8_t* in,
                        uint32_t inLength) {
    auto& r = *static_cast<StreamRead*>(self);
    const ByteView stream(in, inLength);
    const uint32_t room = *outLength;
    if (InflateZlibChunk(nullptr, out, outLength, in, inLength) != 1) {
        r.dataProblem_ = ZlibComplaint(stream, room);
        return 0;
    }
    if (r.options_.refuseFixedHuffman && HasFixedHuffmanBlock(stream)) {
        r.dataProblem_ = "the zlib stream holds a fixed-Huffman block";
        return 0;
    }
    if (*outLength < room && r.options_.warn)
        r.options_.warn(Error("inflates to " + std::to_string(*outLength) +
                              " bytes, fewer than its inflatedSize " + std::to_string(room))
                            .InRecord(r.records_ + 1)
                            .AtOffset(r.recordStart_)
                            .Message());
    return 1;
}

// Reads the failing record's header again, with the core's reader, to say
// what is wrong with it.
std::string StreamRead::HeaderProblem() const {
    StreamRead again(file_, recordStart_, options_);
    ByteSource source = again.Source();
    RecordHeader header;
    ChunkStreamResult result = ReadRecordHeader(&source, &header);
    switch (result) {
    case kStreamBadRecordType:
        return "unknown record type " + std::to_string(header.type);
    case kStreamBadRecordSize:
        return header.type == kStoredRecord
                   ? "storedSize " + std::to_string(header.packageBytes) + " is above " +
                         std::to_string(kMaxChunkSize)
                   : "inflatedSize " + std::to_string(header.packageBytes) + " or compressedSize " +
                         std::to_string(header.dataBytes) + " is outside 1.." +
                         std::to_string(kMaxChunkSize) + " and 0.." +
                         std::to_string(kMaxCompressedSize);
    default:
        return "the file ends inside the record";
    }
}

void StreamRead::Check(ChunkStreamResult result) const {
    if (result == kStreamComplete) return;
    if (recordStart_ > file_.size || (records_ == 0 && at_ < recordStart_))
        throw Error("the file ends inside the chunk count at offset " +
                    std::to_string(recordStart_ - 4));
    std::string problem = result == kStreamBadZlibData ? dataProblem_ : HeaderProblem();
    throw Error(problem).InRecord(records_ + 1).AtOffset(recordStart_);
}

}  // namespace

PayloadLayout LocatePayload(ByteView file) {
    std::size_t window = std::min<std::size_t>(file.size(), kSettingsWindowSize);
    std::int32_t marker = FindPayloadMarker(file.data(), static_cast<uint32_t>(window));
    if (marker < 0)
        throw Error("no payload: the marker \"" + std::string(kMarker) +
                    "\" does not occur a second time within the first " +
                    std::to_string(kMaxMarkerOffset + kMarkerLength) + " bytes");
    PayloadLayout layout;
    layout.markerOffset = static_cast<std::size_t>(marker);
    layout.blockOffset = layout.markerOffset + kMarkerLength;
    // The launcher reads a zeroed window: a block cut short by the end of
    // the file is an error here rather than a run of empty texts.
    Bytes block(file.begin() + layout.blockOffset,
                file.begin() + std::min(file.size(), layout.blockOffset + kSettingsWindowSize));
    PackageSettings settings{};
    uint32_t length = 0;
    int parsed =
        ParseSettingsBlock(block.data(), static_cast<uint32_t>(block.size()), &settings, &length);
    layout.settings = FromPackageSettings(settings);
    FreeSettingsTexts(&settings);
    if (!parsed)
        throw Error("a text runs to the end of the file or of the launcher's " +
                    std::to_string(kSettingsWindowSize) + "-byte window")
            .About("settings block")
            .AtOffset(layout.blockOffset);
    layout.blockLength = length;
    layout.streamOffset = layout.blockOffset + length;
    return layout;
}

StreamSummary MeasureStream(const RandomAccess& file, const PayloadLayout& layout) {
    StreamRead read(file, layout.streamOffset, {});
    ByteSource source = read.Source();
    StreamSummary summary;
    read.Check(MeasureChunkStream(&source, &summary.measure));
    summary.endOffset = read.at();
    return summary;
}

void ReadRecords(const RandomAccess& file, const PayloadLayout& layout, ReadOptions options,
                 const std::function<void(ByteView)>& take) {
    StreamRead read(file, layout.streamOffset, options, take);
    ByteSource source = read.Source();
    PackageSink sink = read.Sink();
    ChunkInflater inflater = read.Inflater();
    Bytes chunk(kChunkBufferSize), packed(kPackedBufferSize);
    read.Check(CopyChunkStream(&source, &sink, &inflater, chunk.data(), packed.data()));
}

Bytes ReadPackage(const RandomAccess& file, const PayloadLayout& layout, ReadOptions options) {
    Bytes package;
    ReadRecords(file, layout, options,
                [&](ByteView piece) { package.insert(package.end(), piece.begin(), piece.end()); });
    return package;
}

}  // namespace boxlift
