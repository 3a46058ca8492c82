#pragma once

#include "Result.h"

#include <QByteArray>
#include <QString>

namespace imprimata {

// How the new file's pixels stand: turned upright, or as the source stored them.
enum class PixelOrientation { Upright, AsStored };

// Carries the metadata of the picture file at source into jpeg, a whole JPEG, PNG, TIFF or
// WebP file in memory that holds the same photograph, stamped and turned upright (or kept as
// stored, when the orientation stays as it was).
//
// From a JPEG source into a JPEG every metadata segment (EXIF with its maker notes, XMP with its
// extension segments, IPTC and Photoshop resources, colour profile, comments, the cameras' own
// segments) goes over as it is, with only what is now wrong changed in place: the orientation says
// upright (when the pixels were turned), the pixel size is the picture's, and the camera's
// thumbnails (which would show it unstamped) are gone. Segments that would mislead a reader of the
// new file are left out: a multi-picture index, an Adobe colour transform other than the encoder's.
// The colour profile in jpeg stays; without one it takes the source's. Other sources and other
// files go through Exiv2: EXIF, IPTC, XMP and the colour profile, made upright the same way.
//
// Fails with one line for the user when the metadata could not be kept, or not all of it;
// succeeds when everything was kept or the source has nothing to keep. Whatever happens, jpeg
// still holds the picture.
Result<void> copyMetadata(const QString &source, QByteArray &jpeg,
                          PixelOrientation orientation = PixelOrientation::Upright);

// How much of its metadata a saved picture keeps.
enum class MetadataKept {
    All,
    // Without where it was taken: the EXIF GPS data, the XMP location fields (GPS, city,
    // state, country, sublocation, the location created and shown) and the IPTC ones.
    NoLocation,
    // Nothing but the colour profile, which its colours need.
    ColourProfile,
};

// Removes from file, a whole JPEG, PNG, TIFF or WebP file in memory, the metadata `kept` leaves
// out; nothing for MetadataKept::All. Fails with one line for the user when it could not all
// be removed; file may then still hold some of it.
// A removal the format does not allow (Exiv2 keeps a TIFF's XMP) fails rather than pass.
Result<void> stripMetadata(QByteArray &file, MetadataKept kept);

// The colour profile of the picture file at path; empty when it has none or cannot be read.
QByteArray colourProfileOf(const QString &path);

} // namespace imprimata
