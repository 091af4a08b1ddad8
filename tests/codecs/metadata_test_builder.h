#pragma once
// Fixtures for the metadata tests: a camera's worth of JPEG markers built in
// the test (EXIF with maker note, GPS and thumbnail, XMP, an ICC profile in
// chunks, a Photoshop block with IPTC and other resources, a comment, Adobe
// and vendor blocks), colour profiles made with lcms2, and exiv2's reading of
// EXIF and XMP payloads to check what a rewrite kept.
#include <exiv2/exiv2.hpp>
#include <lcms2.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "codecs/common/marker_lists.h"
#include "jpeg_test_builder.h"

namespace metatest {

using jpegtest::Bytes;
using jpegtest::TTag;

inline Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// One Photoshop image resource: "8BIM", id, empty name, size, data padded to even.
inline Bytes Resource(uint16_t id, const Bytes& data) {
  const auto n = static_cast<uint32_t>(data.size());
  Bytes r{'8', 'B', 'I', 'M', static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id), 0, 0,
          static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
          static_cast<uint8_t>(n)};
  r.insert(r.end(), data.begin(), data.end());
  if (n % 2) r.push_back(0);
  return r;
}

// IPTC records caption "Harbour" and keyword "boats".
inline const Bytes kIptcRecords{0x1C, 2, 120, 0, 7, 'H', 'a', 'r', 'b', 'o', 'u', 'r',
                                0x1C, 2, 25, 0, 5, 'b', 'o', 'a', 't', 's'};

inline Bytes PhotoshopBlock(bool withIptc = true) {
  Bytes b = Text(std::string("Photoshop 3.0", 14));
  const Bytes resolution(16, 1), thumbnail(300, 0xAB);
  for (const Bytes& r : {Resource(0x03ED, resolution), withIptc ? Resource(0x0404, kIptcRecords) : Bytes{},
                         Resource(0x040C, thumbnail)})
    b.insert(b.end(), r.begin(), r.end());
  return b;
}

inline Bytes XmpBlock(int orientation, int width, int height) {
  const std::string packet =
      "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?><x:xmpmeta xmlns:x=\"adobe:ns:meta/\">"
      "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
      "xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\" xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" "
      "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" tiff:Orientation=\"" +
      std::to_string(orientation) + "\" exif:PixelXDimension=\"" + std::to_string(width) +
      "\" exif:PixelYDimension=\"" + std::to_string(height) +
      "\"><dc:creator><rdf:Seq><rdf:li>Ann</rdf:li></rdf:Seq></dc:creator></rdf:Description></rdf:RDF>"
      "</x:xmpmeta><?xpacket end=\"w\"?>";
  Bytes b = Text(std::string("http://ns.adobe.com/xap/1.0/", 29));
  b.insert(b.end(), packet.begin(), packet.end());
  return b;
}

// The EXIF block of a 4000 x 3000 camera photo stored with the given
// orientation: maker note, serial number, user comment, GPS position and a
// JPEG thumbnail beside the tags a viewer shows.
inline Bytes CameraExif(bool little, int orientation = 6) {
  pix::TIOParams thumbParams;
  const Bytes thumbnail = jpegtest::Encode(*jpegtest::Photo(32, 24), thumbParams);
  std::string makerNote = "Nikon";
  makerNote.append(200, '\x5A');
  return jpegtest::ExifPayload(
      little,
      {{0x010E, 2, {}, "Harbour at dawn"}, {0x010F, 2, {}, "Pixfold"}, {0x0110, 2, {}, "PF-1"},
       {0x0112, 3, {static_cast<uint32_t>(orientation)}, ""}, {0x011A, 5, {300, 1}, ""},
       {0x011B, 5, {300, 1}, ""}, {0x0128, 3, {2}, ""}, {0x0131, 2, {}, "Firmware 1.0"},
       {0x0132, 2, {}, "2024:05:06 07:08:09"}, {0x8298, 2, {}, "(c) Ann"}},
      {{0x829A, 5, {1, 250}, ""}, {0x829D, 5, {28, 10}, ""}, {0x8827, 3, {200}, ""},
       {0x9003, 2, {}, "2024:05:06 07:08:09"}, {0x920A, 5, {50, 1}, ""}, {0x927C, 7, {}, makerNote},
       {0x9286, 7, {}, std::string("ASCII\0\0\0nice day", 17)}, {0xA001, 3, {0xFFFF}, ""},
       {0xA002, 3, {4000}, ""}, {0xA003, 3, {3000}, ""}, {0xA431, 2, {}, "SN 0042"}},
      thumbnail, {{0x0001, 2, {}, "N"}, {0x0002, 5, {48, 1, 51, 1, 0, 1}, ""}});
}

// The profile's bytes, closing it. lcms stamps the creation time into the
// header; a fixed date keeps two profiles made a second apart equal.
inline Bytes SavedProfile(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  Bytes bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  if (bytes.size() >= 36) std::fill(bytes.begin() + 24, bytes.begin() + 36, uint8_t{0});
  return bytes;
}

// An ICC profile made by lcms2; sRGB when primaries is null.
inline Bytes Profile(const cmsCIExyYTRIPLE* primaries = nullptr, double gamma = 0) {
  cmsHPROFILE profile = nullptr;
  if (!primaries) {
    profile = cmsCreate_sRGBProfile();
  } else {
    cmsCIExyY d65;
    cmsWhitePointFromTemp(&d65, 6504);
    // The sRGB curve unless a plain gamma is asked for.
    const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = gamma > 0 ? cmsBuildGamma(nullptr, gamma) : cmsBuildParametricToneCurve(nullptr, 4, srgb);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    profile = cmsCreateRGBProfile(&d65, primaries, curves);
    cmsFreeToneCurve(curve);
  }
  return SavedProfile(profile);
}

// A gray profile with the given curve: plain gamma, or the sRGB curve when 0.
inline Bytes GrayProfile(double gamma) {
  cmsCIExyY d65;
  cmsWhitePointFromTemp(&d65, 6504);
  const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
  cmsToneCurve* curve = gamma > 0 ? cmsBuildGamma(nullptr, gamma) : cmsBuildParametricToneCurve(nullptr, 4, srgb);
  cmsHPROFILE profile = cmsCreateGrayProfile(&d65, curve);
  cmsFreeToneCurve(curve);
  return SavedProfile(profile);
}

inline const cmsCIExyYTRIPLE kDisplayP3 = {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};

// APP2 "ICC_PROFILE" markers carrying profile in chunks of at most chunk bytes.
inline void AddIccMarkers(pix::TPixMarkerList& list, const Bytes& profile, std::size_t chunk = 65519) {
  const auto count = static_cast<uint8_t>((profile.size() + chunk - 1) / chunk);
  for (uint8_t i = 0; i < count; ++i) {
    Bytes payload = Text(std::string("ICC_PROFILE", 12));
    payload.push_back(static_cast<uint8_t>(i + 1));
    payload.push_back(count);
    const std::size_t from = i * chunk, to = std::min(profile.size(), from + chunk);
    payload.insert(payload.end(), profile.begin() + from, profile.begin() + to);
    list.AddMarker(0xE2, payload.data(), static_cast<int>(payload.size()));
  }
}

inline void Add(pix::TPixMarkerList& list, uint8_t code, const Bytes& payload) {
  list.AddMarker(code, payload.data(), static_cast<int>(payload.size()));
}

// Everything a camera and an editor leave in a JPEG, in a usual order.
inline pix::TPixMarkerList CameraMarkers(bool little, int orientation = 6, const Bytes& profile = Profile()) {
  pix::TPixMarkerList list;
  Add(list, 0xE1, CameraExif(little, orientation));
  Add(list, 0xED, PhotoshopBlock());
  AddIccMarkers(list, profile, 1000);
  Add(list, 0xE1, XmpBlock(orientation, 4000, 3000));
  Add(list, 0xE5, Bytes(500, 0x11));  // a vendor's private block
  Add(list, 0xFE, Text("shot on a pier"));
  Add(list, 0xEE, Bytes{'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, 1});
  return list;
}

// exiv2's reading of an EXIF payload: key to value as text; empty when it
// reads nothing.
inline std::map<std::string, std::string> ExifTags(const Bytes& payload) {
  std::map<std::string, std::string> tags;
  if (payload.size() < 6) return tags;
  Exiv2::ExifData data;
  Exiv2::ExifParser::decode(data, payload.data() + 6, static_cast<uint32_t>(payload.size() - 6));
  for (const Exiv2::Exifdatum& d : data) tags[d.key()] = d.toString();
  return tags;
}

inline std::map<std::string, std::string> XmpProperties(const Bytes& payload) {
  std::map<std::string, std::string> properties;
  Exiv2::XmpData data;
  if (payload.size() < 29 || Exiv2::XmpParser::decode(data, std::string(payload.begin() + 29, payload.end())) != 0)
    return properties;
  for (const Exiv2::Xmpdatum& d : data) properties[d.key()] = d.toString();
  return properties;
}

inline Bytes PayloadOf(const pix::TPixMarkerList& list, int i) {
  return Bytes(list.MarkerData(i), list.MarkerData(i) + list.MarkerLength(i));
}

}  // namespace metatest
