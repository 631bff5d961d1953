// IfdDirectory: one TIFF image file directory of an Exif block with its
// entries, and for IFD0 the following directory (IFD1), for IFD1 the
// thumbnail it describes. IFD0 owns the whole tree.
#pragma once
#include <memory>

#include "tiff/ifd_entry.h"
#include "support/ordered_list.h"

// Limits that keep a hostile segment from making the parser copy more than
// any writable tree could hold.
struct ParseBudget {
    // Bytes of entries, values and thumbnails the parser may still take.
    size_t bytesLeft;
    // Set when something was left out because the budget ran out.
    bool exhausted;
};

class IfdDirectory {
public:
    // A new empty directory; null when memory cannot be had.
    static IfdDirectory* Create(IfdKind kind, bool bigEndian);
    ~IfdDirectory();  // ClearAll, then the entry list
    IfdDirectory(const IfdDirectory&) = delete;
    IfdDirectory& operator=(const IfdDirectory&) = delete;

    // Parses the directory at dirOffset of the TIFF data (offsets count
    // from tiff.data). Never fails for bad data: at worst the directory is
    // empty. Null only when memory cannot be had. A tree that had to leave
    // something out for want of budget is marked incomplete.
    static IfdDirectory* Parse(IfdKind kind, const TiffBytes& tiff, size_t dirOffset);
    // The recursive form used by the entries.
    static IfdDirectory* Parse(IfdKind kind, const TiffBytes& tiff, size_t dirOffset, ParseBudget* budget);

    // Writes the directory at *cursor, followed by its data area (thumbnail,
    // out-of-line values and sub-directories in entry order, and for IFD0
    // its IFD1 last). Offsets are measured from base. Everything steps over
    // the places the writer keeps (see ReservePlaces), so the table itself
    // may land past *cursor: *tableAt tells where. Moves *cursor past
    // everything written.
    // S_OK; S_FALSE when the directory is empty (nothing written, *cursor
    // unchanged; an Ifd0 is never empty: it is written as count 0, link 0);
    // E_FAIL when the writer ran out of room.
    HRESULT Serialize(ByteWriter& writer, size_t base, size_t* cursor, size_t* tableAt);

    // Reserves in writer the places of the blocks that entries of the tree
    // keep where they stood (a maker note and what it points to), before
    // the tree is laid out around them.
    void ReservePlaces(ByteWriter& writer, size_t base) const;

    // True when Serialize would write nothing: no entry would be written
    // (pointer entries to empty directories and dangling IFD1 thumbnail
    // offsets are left out) and there is no IFD1 to write. Never for Ifd0.
    bool IsEmptyWhenWritten() const;

    // Lookups over the tree below this directory (see the .cpp for the
    // walk). Null / E_FAIL when absent.
    IfdEntry* FindEntry(IfdKind kind, uint16_t tag, bool recurse) const;
    HRESULT RemoveEntry(IfdKind kind, uint16_t tag);
    // Deletes every entry with the tag that follows a first one in the same
    // directory of the kind (damaged files repeat tags).
    void RemoveRepeatedEntries(IfdKind kind, uint16_t tag);
    // The entry, created (with the missing pointer entries and directories
    // on the way) when absent. New entries are inserted in ascending tag
    // order. Null when memory cannot be had or the kind cannot be reached.
    IfdEntry* GetOrCreateEntry(IfdKind kind, uint16_t tag);

    // Deletes all entries, the next directory and the thumbnail.
    void ClearAll();

    IfdKind Kind() const { return m_kind; }
    bool BigEndian() const { return m_bigEndian; }
    int EntryCount() const { return m_entries.Count(); }
    IfdEntry* EntryAt(int index) const { return static_cast<IfdEntry*>(m_entries.ItemAt(index)); }
    IfdDirectory* Next() const { return m_next.get(); }
    const uint8_t* Thumbnail() const { return m_thumbnail.get(); }
    uint32_t ThumbnailLength() const { return m_thumbnailLength; }
    bool ThumbnailIsJpeg() const { return m_thumbnailIsJpeg; }
    // False when the parser left entries out for want of budget: such a
    // tree must not be written back, it would lose data.
    bool IsComplete() const { return m_complete; }

private:
    IfdDirectory(IfdKind kind, bool bigEndian);

    bool AcceptsPointerTag(uint16_t tag) const;
    // Inserts entry before the first entry with a higher tag.
    HRESULT InsertSorted(IfdEntry* entry);
    // Whether entry is written (see IsEmptyWhenWritten).
    bool WritesEntry(const IfdEntry* entry) const;
    void TakeThumbnail(const TiffBytes& tiff, ParseBudget* budget);

    IfdKind m_kind;
    bool m_bigEndian;
    OrderedList m_entries;            // owned IfdEntry items, no keys
    std::unique_ptr<IfdDirectory> m_next;     // IFD0 only
    std::unique_ptr<uint8_t[]> m_thumbnail;   // IFD1 only
    uint32_t m_thumbnailLength = 0;
    bool m_thumbnailIsJpeg = false;
    // IFD1 whose thumbnail entries name a thumbnail of length 0: they are
    // written back so, pointing at the end of the directory's table.
    bool m_emptyThumbnail = false;
    bool m_complete = true;
};
