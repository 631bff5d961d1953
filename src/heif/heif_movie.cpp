#include "heif/heif_movie.h"

#include <new>

#include "heif/heif_boxes.h"
#include "heif/heif_scan.h"

namespace {

// Containers walked down to the sample tables.
bool IsMovieContainer(uint32_t type)
{
    return type == FourCC("trak") || type == FourCC("mdia") || type == FourCC("minf") || type == FourCC("stbl");
}

// A meta box that holds an iloc: item positions the engine does not change.
bool HoldsItemLocations(const uint8_t* data, size_t size, const HeifBox& meta)
{
    HeifBox child;
    for (uint32_t at = meta.body + 4; ReadBox(data, size, at, meta.end, &child); at = child.end) {
        if (child.type == FourCC("iloc"))
            return true;
    }
    return false;
}

// Walks the boxes in [start, end) of a moov box: visit.Chunk(offset of the
// field, its width) for each chunk offset, visit.Track(id) for each track
// header. False for a box that cannot be read or offsets the engine does
// not know how to move.
template <typename Visit>
bool WalkMovie(const uint8_t* data, size_t size, uint32_t start, uint32_t end, uint32_t depth, Visit& visit)
{
    HeifBox box;
    for (uint32_t at = start; at < end; at = box.end) {
        if (!ReadBox(data, size, at, end, &box))
            return false;
        BoxFields fields(data, size, box.body, box.end);
        const uint8_t version = fields.U8();
        fields.Skip(3);
        if (IsMovieContainer(box.type)) {
            if (depth == 4 || !WalkMovie(data, size, box.body, box.end, depth + 1, visit))
                return false;
        } else if (box.type == FourCC("stco") || box.type == FourCC("co64")) {
            const uint32_t width = box.type == FourCC("co64") ? 8 : 4;
            const uint32_t count = fields.U32();
            if (fields.Failed() || count > fields.Remaining() / width)
                return false;
            for (uint32_t i = 0; i < count; ++i) {
                if (!visit.Chunk(fields.Offset() + i * width, width))
                    return false;
            }
        } else if (box.type == FourCC("tkhd")) {
            fields.Skip(version == 1 ? 16 : 8);  // creation and modification times
            const uint32_t id = fields.U32();
            if (fields.Failed())
                return false;
            visit.Track(id);
        } else if (box.type == FourCC("mvex") || box.type == FourCC("saio") ||
                   (box.type == FourCC("meta") && HoldsItemLocations(data, size, box))) {
            return false;
        }
    }
    return true;
}

uint64_t ReadOffset(const uint8_t* data, size_t size, uint32_t at, uint32_t width)
{
    BoxFields fields(data, size, at, static_cast<uint32_t>(size));
    return width == 8 ? fields.U64() : fields.U32();
}

struct TrackIds {
    uint32_t max = 0;
    bool Chunk(uint32_t, uint32_t) { return true; }
    void Track(uint32_t id) { max = id > max ? id : max; }
};

// Visits the chunk offsets of a whole moov box.
template <typename Visit>
bool WalkMoov(const uint8_t* box, size_t size, Visit& visit)
{
    HeifBox moov;
    return ReadBox(box, size, 0, static_cast<uint32_t>(size), &moov) && moov.type == FourCC("moov") &&
           WalkMovie(box, size, moov.body, moov.end, 0, visit);
}

}  // namespace

HRESULT ReadHeifMovie(JpegByteSource& source, HeifMovie* movie)
{
    *movie = HeifMovie();
    const uint32_t fileSize = source.Size();
    bool ftypSeen = false;
    uint8_t header[kBoxHeaderMax];
    HeifBox box;
    for (uint32_t at = 0, i = 0; at < fileSize; at = box.end, ++i) {
        if (i == kHeifMaxCompleteBoxes)
            return E_FAIL;
        uint32_t got = 0;
        if (!source.ReadAt(at, header, sizeof(header), &got) || !ParseBoxHeader(header, got, at, fileSize, &box))
            return S_OK;  // bytes that are no box: an appended file, kept as the file's end
        if (box.type == FourCC("ftyp") && ftypSeen)
            return S_OK;  // another file appended
        ftypSeen = true;
        if (box.type == FourCC("moof") || box.type == FourCC("sidx") || box.type == FourCC("mfra") ||
            (box.type == FourCC("moov") && movie->box.data) ||
            (box.type == FourCC("moov") && box.end - box.start > kHeifMaxMovieSize))
            return E_FAIL;
        if (box.type != FourCC("moov"))
            continue;
        const uint32_t size = box.end - box.start;
        movie->box.data.reset(new (std::nothrow) uint8_t[size]);
        if (!movie->box.data)
            return E_OUTOFMEMORY;
        movie->box.size = size;
        movie->start = box.start;
        if (!source.ReadAt(box.start, movie->box.data.get(), size, &got) || got != size)
            return E_FAIL;
        TrackIds ids;
        if (!WalkMoov(movie->box.data.get(), size, ids))
            return E_FAIL;
        movie->maxTrackId = ids.max;
    }
    return S_OK;
}

bool ShiftChunkOffsets(uint8_t* box, size_t size, uint32_t metaStart, uint32_t metaEnd, int64_t shift)
{
    struct Shift {
        uint8_t* box;
        size_t size;
        uint32_t metaStart, metaEnd;
        int64_t shift;
        bool Chunk(uint32_t at, uint32_t width)
        {
            const uint64_t offset = ReadOffset(box, size, at, width);
            if (offset < metaStart)
                return true;
            if (offset < metaEnd)
                return false;
            const uint64_t moved = offset + shift;  // shift > -(offset - metaEnd): no wrap
            if (width == 4 && moved > UINT32_MAX)
                return false;
            ByteWriter writer(box, size);
            if (width == 8)
                writer.PutU32(at, static_cast<uint32_t>(moved >> 32), true);
            writer.PutU32(at + width - 4, static_cast<uint32_t>(moved), true);
            return !writer.Failed();
        }
        void Track(uint32_t) {}
    } visit{box, size, metaStart, metaEnd, shift};
    return WalkMoov(box, size, visit);
}

bool ChunkOffsetsInside(const uint8_t* box, size_t size, uint32_t fileSize)
{
    struct Inside {
        const uint8_t* box;
        size_t size;
        uint32_t fileSize;
        bool Chunk(uint32_t at, uint32_t width) { return ReadOffset(box, size, at, width) < fileSize; }
        void Track(uint32_t) {}
    } visit{box, size, fileSize};
    return WalkMoov(box, size, visit);
}
