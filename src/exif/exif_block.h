// ExifBlock: the Exif metadata of one photo in memory, a JPEG file or a HEIF
// file (the TIFF engine is the same; heif_scan.h finds the Exif item of a
// HEIF file as jpeg_scan.h finds the segment of a JPEG file). Open reads the
// photo's Exif into a tree of TIFF directories (the file is open
// only while Open and WriteToFile run); the position operations change the
// tree; WriteToFile writes the photo anew with a newly built segment and puts
// it in the old one's place.
//
// Calling order: create, Open, any of the operations, destroy. One block
// serves one photo and one command; a block that only reads may be opened
// again for the next photo, and then reuses its read buffer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

#include "support/geo_position.h"
#include "tiff/byte_access.h"
#include "replacement/file_stamp.h"
#include "tiff/ifd_directory.h"
#include "jpeg/jpeg_scan.h"
#include "support/platform.h"
#ifdef _WIN32
#include "replacement/read_block.h"
#endif

// The UTC moment of a GPS fix, as GPSDateStamp and GPSTimeStamp hold it.
struct GpsFixTime {
    int year, month, day;
    int hour, minute, second;
};

struct HeifScan;
struct HeifRewrite;
class FileByteSource;
class KernelHandle;
class PhotoReplacement;
class ReplacementRecovery;

class ExifBlock {
public:
    // Path buffer, terminator included.
    static const size_t kPathCapacity = 260;
    // Working buffer for a new segment: the whole segment, marker included.
    static const size_t kSegmentBufferSize = 65536;

    ExifBlock();
    ~ExifBlock();
    ExifBlock(const ExifBlock&) = delete;
    ExifBlock& operator=(const ExifBlock&) = delete;

    // The file layer (exif_block_file.cpp, Windows only; the portable
    // engine works on bytes through OpenFromBytes and WriteToBytes).
    // Opens the photo (a shortcut is followed to its target), scans it and
    // parses its Exif segment, or, for a name with a HEIF extension, its
    // Exif item. No result: the block's state tells (see IsPhoto, Root). A
    // path that does not fit the path buffer is not opened.
    void Open(const wchar_t* path);
    // Open for a write that follows at once (a command that stores and
    // writes): the photo is opened for reading, writing and replacing,
    // shared with nobody, and that handle is kept until WriteToFile or the
    // block's end. Nobody can change the photo in between, and WriteToFile
    // needs no second open. A photo that cannot be opened so (read-only,
    // held by another program, not to be deleted by this user) is opened as
    // Open does, and WriteToFile refuses it as before.
    void OpenForWriting(const wchar_t* path);
    // Writes the photo anew with the segment built from the tree, beside
    // it, and puts that in its place (photo_replacement.h): whatever happens,
    // the photo's name holds the old photo or the complete new one. S_OK
    // once the new photo is on the disk under the photo's name; S_FALSE
    // when there was nothing to write (no tree, and the file has no Exif
    // segment); VZ_E_PHOTO_CHANGED (write_results.h) when another program
    // changed the photo since Open read it, and it is left as that program
    // made it; VZ_E_RENAME_NOT_FLUSHED when the new photo has the photo's
    // name but the flush after the rename failed; otherwise a failure, with
    // the file byte for byte as it was: not a JPEG file, a file that cannot
    // be opened for reading, writing and replacing, no longer holds the
    // segment that Open parsed, or whose new segment does not fit, a folder
    // where no new file can be made, and any failing read, write, flush or
    // rename. First deals with what killed writers left in the photo's
    // folder, through recovery (once per folder for all the writes of a
    // command), or on its own when recovery is null.
    HRESULT WriteToFile(ReplacementRecovery* recovery = nullptr);

    // Open over a whole file held in memory (no path): a JPEG file, or a
    // HEIF file whose Exif item describing the primary image is parsed.
    void OpenFromBytes(const uint8_t* file, size_t size);
    // WriteToFile over a file held in memory: the rewritten file into
    // *rewritten, under the same checks. Neither the input nor the block
    // changes, so every call rewrites the file as Open saw it.
    HRESULT WriteToBytes(const uint8_t* file, size_t size, OwnedBytes* rewritten);

    // Reads the GPS position. Each output given is set to 0 first. S_OK
    // when the photo has a position, E_FAIL otherwise. With no outputs it
    // only tells whether the position tags are there.
    HRESULT ReadPosition(double* latitude, double* longitude, double* altitude, double* heading) const;
    // Stores a position (radians, radians, metres, radians) as GPS tags.
    // E_INVALIDARG, tree unchanged, when a number is not finite or the
    // altitude in centimetres or the heading in degrees does not fit 32
    // bits; E_FAIL when the block is not a photo or memory runs out.
    HRESULT StorePosition(double latitude, double longitude, double altitude, double heading);
    // Stores a position as geotagging from a track does: latitude and
    // longitude (radians), the altitude (metres) when the track knows one,
    // else an earlier altitude is removed, and the fix's UTC date and time.
    // The directions (of the image, of travel) and the other GPS tags stay.
    // E_INVALIDARG, tree unchanged, when a number is not finite, the
    // altitude in centimetres does not fit 32 bits or the time is no date
    // and time; E_FAIL when the block is not a photo or memory runs out.
    HRESULT StoreFix(double latitude, double longitude, const double* altitude, const GpsFixTime& utc);
    // Removes the position tags (other GPS tags stay).
    void RemovePosition();

    // One latitude or longitude (radians) as reference letter and
    // degrees, minutes, seconds.
    HRESULT SetCoordinate(IfdKind kind, uint16_t refTag, uint16_t valueTag, double angle, bool isLongitude);
    // Sets an ASCII tag, or removes it when the text is null or empty.
    // S_OK; S_FALSE when there is nothing to remove because there is no
    // tree; E_FAIL.
    HRESULT SetTextTag(IfdKind kind, uint16_t tag, const wchar_t* text);
    // An entry of the tree, created when absent; without a tree a new
    // little-endian IFD0 is made first. Null when not a photo or out
    // of memory.
    IfdEntry* GetOrCreateEntry(IfdKind kind, uint16_t tag);

    // The new APP1 Exif segment built from the tree, or empty (size 0)
    // when there is no tree, the tree is incomplete, it does not fit
    // kSegmentBufferSize bytes, or memory cannot be had. A HEIF file's
    // Exif item, which has no 64 KiB limit, gives more room (the
    // segment's length field then says nothing).
    OwnedBytes BuildExifSegment(size_t room = kSegmentBufferSize);

    bool IsJpeg() const { return m_isJpeg; }
    bool IsHeif() const { return m_isHeif; }
    // A JPEG file or a HEIF file: a photo whose position can be kept.
    bool IsPhoto() const { return m_isJpeg || m_isHeif; }
    IfdDirectory* Root() const { return m_root.get(); }
    uint32_t FrameWidth() const { return m_frameWidth; }
    uint32_t FrameHeight() const { return m_frameHeight; }
    // The photo's path after shortcut resolution (empty before Open).
    const wchar_t* Path() const { return m_path; }

private:
    void Reset();
#ifdef _WIN32
    void OpenFile(const wchar_t* path, bool forWriting);
    void OpenJpeg(FileByteSource& source);
    // Closes the handle that OpenForWriting kept, if any.
    void ReleaseHeldFile();
#endif
    // GPSAltitude and its reference (below sea level: 1).
    HRESULT SetAltitude(int32_t centimetres, bool below);
    // Records the scan and parses the segment bytes into the tree.
    void TakeScan(const ExifSegmentScan& scan, const uint8_t* segment);
    // Reads a HEIF file's Exif item into the tree (exif_block_heif.cpp).
    void OpenHeif(JpegByteSource& source);
    // S_OK when a rewrite may replace the Exif item that the rescan of a
    // HEIF file found; E_FAIL when the file no longer holds what Open parsed.
    HRESULT CheckHeifRescan(const HeifScan& rescan) const;
    // Rescans a HEIF file and plans its rewrite with the tree's TIFF data:
    // S_OK, S_FALSE when there is nothing to write, or a failure.
    HRESULT PlanHeifWrite(JpegByteSource& source, HeifRewrite* plan);
    HRESULT WriteHeifToBytes(const uint8_t* file, size_t size, OwnedBytes* rewritten);
#ifdef _WIN32
    // WriteToFile for a HEIF file, open as file (exif_block_heif_file.cpp).
    HRESULT WriteHeifFile(const wchar_t* photoPath, KernelHandle& file, uint32_t fileSize);
    // Commits the replacement and takes the new photo's stamp.
    HRESULT CommitReplacement(PhotoReplacement& replacement, KernelHandle& file);
    // The buffer through which a photo is copied into its replacement.
    class TransferBuffer {
    public:
        TransferBuffer(uint8_t* readBlock, uint32_t fileSize);
        uint8_t* Data() const { return m_data; }
        uint32_t Size() const { return m_size; }

    private:
        CopyBlock m_own;
        uint8_t* m_data;
        uint32_t m_size;
    };
#endif
    // Parses TIFF data (header included) into the tree; false when none.
    bool ParseTiff(const uint8_t* tiff, size_t size, bool bigEndian);
    // S_OK when a rewrite may replace what the rescan found; E_FAIL when
    // the file no longer holds what Open parsed.
    HRESULT CheckRescan(const ExifSegmentScan& rescan) const;

    wchar_t m_path[kPathCapacity];
    bool m_isJpeg = false;
    bool m_isHeif = false;
    std::unique_ptr<IfdDirectory> m_root;
    uint32_t m_frameWidth = 0;
    uint32_t m_frameHeight = 0;
    // The segment Open parsed into the tree (size 0: none), and whether the
    // file held a segment that Open located but could not parse. In a HEIF
    // file: the Exif item's first extent and its whole length.
    uint32_t m_parsedOffset = 2;
    uint32_t m_parsedSize = 0;
    bool m_unparsedSegment = false;
    // The photo's file as Open read it (or as the last write left it): a
    // write refuses a photo that another program changed since.
    FileStamp m_readStamp;
#ifdef _WIN32
    // The photo as OpenForWriting opened it, until WriteToFile takes it.
    void* m_heldFile = nullptr;
    // The large read of Open and of WriteToFile's rescan: taken once per
    // block and given back for the next photo's block when this one goes.
    ReadBlock m_readBlock;
#endif
};
