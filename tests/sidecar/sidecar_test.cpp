// The XMP sidecar editor through its public functions: positions read in
// every form, stored and removed in place, hostile sidecars refused and
// left alone, and the names of sidecars.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "sidecar/sidecar_names.h"
#include "sidecar/sidecar_position.h"

namespace {

const double kDeg = 0.017453292519943295;
const double kNone = std::numeric_limits<double>::quiet_NaN();

// A sidecar whose one description holds the given attributes and children.
std::string Sidecar(const std::string& attributes, const std::string& children = "")
{
    return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
           " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
           "  <rdf:Description rdf:about=\"\"\n"
           "    xmlns:exif=\"http://ns.adobe.com/exif/1.0/\"\n"
           "    xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"\n"
           "   xmp:Rating=\"3\"" +
           attributes + ">\n" + children +
           "  </rdf:Description>\n"
           " </rdf:RDF>\n"
           "</x:xmpmeta>\n";
}

SidecarPosition Position(double lat, double lon, double alt = kNone, double heading = kNone)
{
    SidecarPosition p;
    p.place.known = TRUE;
    p.place.latitude = lat * kDeg;
    p.place.longitude = lon * kDeg;
    p.hasAltitude = !std::isnan(alt);
    p.place.altitude = p.hasAltitude ? alt : 0.0;
    p.hasHeading = !std::isnan(heading);
    p.place.heading = p.hasHeading ? heading * kDeg : 0.0;
    return p;
}

std::string Stored(const std::string& text, const SidecarPosition& p)
{
    std::string out = "unchanged";
    EXPECT_EQ(S_OK, StoreSidecarPosition(text, p, &out));
    return out;
}

struct ReadRow {
    const char* what;
    std::string text;
    HRESULT hr;
    double lat, lon, alt, heading;  // degrees, degrees, metres, degrees; kNone: not there
};

TEST(SidecarRead, EveryFormOfThePositionReads)
{
    const ReadRow rows[] = {
        {"attributes, minutes with a fraction", Sidecar("\n   exif:GPSLatitude=\"48,51.492N\" exif:GPSLongitude=\"2,17.67W\""),
         S_OK, 48.8582, -2.2945, kNone, kNone},
        {"elements, seconds", Sidecar("", "<exif:GPSLatitude>33,51,24.48S</exif:GPSLatitude>\n"
                                          "<exif:GPSLongitude> 151,12,55.08E </exif:GPSLongitude>\n"),
         S_OK, -33.8568, 151.2153, kNone, kNone},
        {"another prefix", Sidecar(" xmlns:e=\"http://ns.adobe.com/exif/1.0/\" e:GPSLatitude=\"10,30N\" e:GPSLongitude=\"20,15E\""),
         S_OK, 10.5, 20.25, kNone, kNone},
        {"the default namespace on elements", Sidecar("", "<GPSLatitude xmlns=\"http://ns.adobe.com/exif/1.0/\">1,0N</GPSLatitude>"
                                                          "<GPSLongitude xmlns=\"http://ns.adobe.com/exif/1.0/\">2,0E</GPSLongitude>"),
         S_OK, 1.0, 2.0, kNone, kNone},
        {"references and CDATA in values", Sidecar(" exif:GPSLatitude=\"5,30&#x4E;\"", "<exif:GPSLongitude><![CDATA[6,30W]]></exif:GPSLongitude>"),
         S_OK, 5.5, -6.5, kNone, kNone},
        {"altitude below sea level", Sidecar(" exif:GPSLatitude=\"1,0N\" exif:GPSLongitude=\"1,0E\" exif:GPSAltitude=\"295/10\" exif:GPSAltitudeRef=\"1\""),
         S_OK, 1.0, 1.0, -29.5, kNone},
        {"heading of magnetic north passed over for the track", Sidecar(" exif:GPSLatitude=\"1,0N\" exif:GPSLongitude=\"1,0E\" exif:GPSImgDirectionRef=\"M\" exif:GPSImgDirection=\"10/1\" exif:GPSTrack=\"90/1\""),
         S_OK, 1.0, 1.0, kNone, 90.0},
        {"heading without reference", Sidecar(" exif:GPSLatitude=\"1,0N\" exif:GPSLongitude=\"1,0E\" exif:GPSImgDirection=\"2735/10\""),
         S_OK, 1.0, 1.0, kNone, 273.5},
        {"rdf:RDF as the root", "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" exif:GPSLatitude=\"0,30S\" exif:GPSLongitude=\"0,30E\"/></rdf:RDF>",
         S_OK, -0.5, 0.5, kNone, kNone},
        {"beyond the pole, clamped", Sidecar(" exif:GPSLatitude=\"95,0N\" exif:GPSLongitude=\"190,0W\""), S_OK, 90.0, -180.0, kNone, kNone},
        {"no longitude", Sidecar(" exif:GPSLatitude=\"1,0N\""), S_FALSE, kNone, kNone, kNone, kNone},
        {"the wrong letter", Sidecar(" exif:GPSLatitude=\"1,0E\" exif:GPSLongitude=\"1,0E\""), S_FALSE, kNone, kNone, kNone, kNone},
        {"decimal degrees are no XMP coordinate", Sidecar(" exif:GPSLatitude=\"48.8582\" exif:GPSLongitude=\"2.2945\""), S_FALSE, kNone, kNone, kNone, kNone},
        {"another namespace (no slash)", Sidecar(" xmlns:e=\"http://ns.adobe.com/exif/1.0\" e:GPSLatitude=\"1,0N\" e:GPSLongitude=\"1,0E\""),
         S_FALSE, kNone, kNone, kNone, kNone},
        {"a field of a structure is no property", Sidecar("", "<xmp:Thing rdf:parseType=\"Resource\"><exif:GPSLatitude>1,0N</exif:GPSLatitude><exif:GPSLongitude>1,0E</exif:GPSLongitude></xmp:Thing>"),
         S_FALSE, kNone, kNone, kNone, kNone},
    };
    for (const ReadRow& row : rows) {
        SidecarPosition p;
        EXPECT_EQ(row.hr, ReadSidecarPosition(row.text, &p)) << row.what;
        EXPECT_EQ(row.hr == S_OK, p.place.known == TRUE) << row.what;
        if (row.hr != S_OK)
            continue;
        EXPECT_NEAR(row.lat, p.place.latitude / kDeg, 1e-9) << row.what;
        EXPECT_NEAR(row.lon, p.place.longitude / kDeg, 1e-9) << row.what;
        EXPECT_EQ(!std::isnan(row.alt), p.hasAltitude) << row.what;
        if (p.hasAltitude) {
            EXPECT_DOUBLE_EQ(row.alt, p.place.altitude) << row.what;
        }
        EXPECT_EQ(!std::isnan(row.heading), p.hasHeading) << row.what;
        if (p.hasHeading) {
            EXPECT_NEAR(row.heading, p.place.heading / kDeg, 1e-9) << row.what;
        }
    }
}

TEST(SidecarRead, TheFixTimeReadsInUtc)
{
    const std::pair<const char*, const char*> rows[] = {
        {"2024-05-01T12:30:00Z", "2024-05-01 12:30:00"},
        {"2024-05-01T01:30:05.25+02:00", "2024-04-30 23:30:05"},
        {"2023-12-31T23:30-01:00", "2024-01-01 00:30:00"},
        {"2024-02-30T10:00:00Z", nullptr},
        {"yesterday", nullptr},
    };
    for (const auto& row : rows) {
        SidecarPosition p;
        ASSERT_EQ(S_OK, ReadSidecarPosition(Sidecar(" exif:GPSLatitude=\"1,0N\" exif:GPSLongitude=\"1,0E\" exif:GPSTimeStamp=\"" +
                                                     std::string(row.first) + "\""), &p));
        EXPECT_EQ(row.second != nullptr, p.hasFixTime) << row.first;
        if (!row.second || !p.hasFixTime)
            continue;
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p.fixTime.year, p.fixTime.month,
                      p.fixTime.day, p.fixTime.hour, p.fixTime.minute, p.fixTime.second);
        EXPECT_EQ(row.second, std::string(text)) << row.first;
    }
}

struct RefusalRow {
    const char* what;
    std::string text;
    HRESULT hr;
};

std::string Nested(int depth)
{
    std::string open, close;
    for (int i = 0; i < depth; ++i) {
        open += "<xmp:a>";
        close = "</xmp:a>" + close;
    }
    return Sidecar("", open + close);
}

TEST(SidecarRefusal, HostileAndBrokenSidecarsAreRefusedAndLeftAlone)
{
    const std::string good = Sidecar(" exif:GPSLatitude=\"1,0N\" exif:GPSLongitude=\"1,0E\"");
    const RefusalRow rows[] = {
        {"a DTD", "<!DOCTYPE x:xmpmeta>\n" + good, VZ_E_SIDECAR_DTD},
        {"entity expansion", "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 \"&lol;&lol;\">]>" + good,
         VZ_E_SIDECAR_DTD},
        {"an outside entity", "<!DOCTYPE x [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>" + good, VZ_E_SIDECAR_DTD},
        {"an undeclared entity", Sidecar(" xmp:Label=\"&e;\""), VZ_E_SIDECAR_MALFORMED},
        {"65 levels of elements", Nested(62), VZ_E_SIDECAR_TOO_DEEP},
        {"64 levels are fine", Nested(61), S_FALSE},
        {"over 4 MiB", Sidecar("", "<xmp:Note>" + std::string(4 * 1024 * 1024, 'a') + "</xmp:Note>"), VZ_E_SIDECAR_TOO_LARGE},
        {"UTF-16 with its mark", std::string("\xFF\xFE<\0x\0", 6), VZ_E_SIDECAR_ENCODING},
        {"UTF-16 without a mark", std::string("\0<\0x", 4), VZ_E_SIDECAR_ENCODING},
        {"another encoding declared", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + good, VZ_E_SIDECAR_ENCODING},
        {"bytes that are no UTF-8", Sidecar(" xmp:Label=\"caf\xE9\""), VZ_E_SIDECAR_MALFORMED},
        {"a NUL byte", good + std::string(1, '\0'), VZ_E_SIDECAR_MALFORMED},
        {"cut off", good.substr(0, good.size() / 2), VZ_E_SIDECAR_MALFORMED},
        {"cut inside a tag", good.substr(0, good.find("exif:GPSLongitude") + 5), VZ_E_SIDECAR_MALFORMED},
        {"empty", "", VZ_E_SIDECAR_MALFORMED},
        {"mismatched end tag", Sidecar("", "<xmp:a></xmp:b>"), VZ_E_SIDECAR_MALFORMED},
        {"an undeclared prefix", Sidecar(" foo:bar=\"1\""), VZ_E_SIDECAR_MALFORMED},
        {"a repeated attribute", Sidecar(" xmp:Rating=\"4\""), VZ_E_SIDECAR_MALFORMED},
        {"a repeated attribute among many", Sidecar([] {
             std::string many;
             for (int i = 0; i < 40; ++i)
                 many += " xmp:A" + std::to_string(i) + "=\"1\"";
             return many + " xmp:A7=\"2\"";
         }()), VZ_E_SIDECAR_MALFORMED},
        {"one attribute by two prefixes", Sidecar(" xmlns:e=\"http://ns.adobe.com/xap/1.0/\" e:Rating=\"4\""), VZ_E_SIDECAR_MALFORMED},
        {"a second root", good + "<x/>", VZ_E_SIDECAR_MALFORMED},
        {"text after the root", good + "junk", VZ_E_SIDECAR_MALFORMED},
        {"\"<\" in an attribute", Sidecar(" xmp:Label=\"a<b\""), VZ_E_SIDECAR_MALFORMED},
        {"a declaration in the middle", Sidecar("", "<?xml version=\"1.0\"?>"), VZ_E_SIDECAR_MALFORMED},
        {"XML but no XMP", "<html><body/></html>", VZ_E_SIDECAR_NOT_XMP},
        {"x:xmpmeta in another namespace",
         "<x:xmpmeta xmlns:x=\"adobe:ns:meta\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"/></x:xmpmeta>",
         VZ_E_SIDECAR_NOT_XMP},
        {"x:xmpmeta without rdf:RDF", "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><x:other/></x:xmpmeta>", VZ_E_SIDECAR_NOT_XMP},
    };
    for (const RefusalRow& row : rows) {
        SidecarProblem problem;
        SidecarPosition p;
        EXPECT_EQ(row.hr, ReadSidecarPosition(row.text, &p, &problem)) << row.what;
        EXPECT_FALSE(p.place.known) << row.what;
        std::string out = "unchanged";
        const HRESULT stored = StoreSidecarPosition(row.text, Position(1, 1), &out, &problem);
        if (row.hr == S_FALSE) {
            EXPECT_EQ(S_OK, stored) << row.what;
            continue;
        }
        EXPECT_EQ(row.hr, stored) << row.what;
        EXPECT_EQ("unchanged", out) << row.what;
        EXPECT_FALSE(problem.reason.empty()) << row.what;
    }
}

TEST(SidecarRefusal, TheReasonSaysWhere)
{
    SidecarProblem problem;
    std::string out;
    EXPECT_EQ(VZ_E_SIDECAR_MALFORMED, StoreSidecarPosition("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n  <a></b>\n</x:xmpmeta>",
                                                           Position(1, 1), &out, &problem));
    std::string text;
    ASSERT_EQ(S_OK, DescribeSidecarProblem(problem, &text));
    EXPECT_EQ("an end tag does not match its start tag (line 2, column 6)", text);
}

struct FormatRow {
    double lat, lon, alt, heading;
    const char* expected;  // the attributes added, in order
};

TEST(SidecarStore, ValuesInXmpForms)
{
    const FormatRow rows[] = {
        {48.8582, 2.2945, 35.5, 90.0,
         "2.3.0.0|48,51.492000N|2,17.670000E|0|3550/100|T|9000/100"},
        {-33.8568, -151.2153, -12.345, 359.999,
         "2.3.0.0|33,51.408000S|151,12.918000W|1|1234/100|T|0/100"},
        {10.9999999, -0.0, 0.0, -90.0, "2.3.0.0|10,59.999994N|0,00.000000E|0|0/100|T|27000/100"},
        {95.0, 200.0, kNone, kNone, "2.3.0.0|90,00.000000N|180,00.000000E"},
    };
    for (const FormatRow& row : rows) {
        const std::string out = Stored(Sidecar(""), Position(row.lat, row.lon, row.alt, row.heading));
        std::string values;
        for (size_t at = out.find("exif:GPS"); at != std::string::npos; at = out.find("exif:GPS", at + 1)) {
            const size_t open = out.find('"', at) + 1;
            values += (values.empty() ? "" : "|") + out.substr(open, out.find('"', open) - open);
        }
        EXPECT_EQ(row.expected, values) << row.lat << " " << row.lon;
    }
}

TEST(SidecarStore, InvalidNumbersChangeNothing)
{
    std::string out = "unchanged";
    SidecarPosition fix = Position(1, 1);
    fix.hasFixTime = true;
    fix.fixTime = {2024, 2, 30, 10, 0, 0};
    const SidecarPosition rows[] = {Position(kNone, 1), Position(1, INFINITY), Position(1, 1, 3e7),
                                    Position(1, 1, 0, INFINITY), fix};
    for (const SidecarPosition& p : rows)
        EXPECT_EQ(E_INVALIDARG, StoreSidecarPosition(Sidecar(""), p, &out));
    EXPECT_EQ("unchanged", out);
}

// Every sidecar form: storing and then removing gives back the original
// bytes; storing twice gives what storing once gave; the position reads back.
TEST(SidecarStore, EditsInPlaceAndUndoExactly)
{
    const std::string forms[] = {
        Sidecar(""),
        Sidecar("", "   <xmp:Label>x</xmp:Label>\n"),
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
        "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/'><dc:subject><rdf:Bag>"
        "<rdf:li>a</rdf:li></rdf:Bag></dc:subject></rdf:Description>"
        "<rdf:Description rdf:about='' xmlns:exif='http://ns.adobe.com/exif/1.0/'><exif:ExposureTime>1/200</exif:ExposureTime>"
        "</rdf:Description></rdf:RDF></x:xmpmeta>",
        "\xEF\xBB\xBF<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\r\n<!-- a comment -->\r\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
        "xmlns:exif=\"http://ns.adobe.com/exif/1.0/\"><rdf:Description rdf:about=\"\" xmlns:ne=\"urn:not-exif\" "
        "ne:GPSLatitude=\"9,0N\"/></rdf:RDF></x:xmpmeta>\r\n"
        "<?xpacket end=\"w\"?>",
    };
    const SidecarPosition positions[] = {Position(48.8582, 2.2945, 35.5, 90.0), Position(-1, -2)};
    for (const std::string& form : forms) {
        for (const SidecarPosition& p : positions) {
            const std::string once = Stored(form, p);
            EXPECT_EQ(once, Stored(once, p));
            SidecarPosition back;
            ASSERT_EQ(S_OK, ReadSidecarPosition(once, &back)) << once;
            EXPECT_NEAR(p.place.latitude, back.place.latitude, 1e-7 * kDeg);
            EXPECT_NEAR(p.place.longitude, back.place.longitude, 1e-7 * kDeg);
            EXPECT_EQ(p.hasAltitude, back.hasAltitude);
            EXPECT_NEAR(p.place.altitude, back.place.altitude, 0.01);
            std::string removed;
            ASSERT_EQ(S_OK, RemoveSidecarPosition(once, &removed));
            EXPECT_EQ(form, removed);
        }
    }
}

TEST(SidecarStore, ExistingPropertiesChangeWhereTheyStand)
{
    // Element form: values replaced inside their elements, the stale
    // altitude removed with its line, the magnetic heading and the time kept
    // (a manual position brings neither), GPSMapDatum untouched.
    const std::string before = Sidecar("", "   <exif:GPSLatitude>1,0N</exif:GPSLatitude>\n"
                                           "   <exif:GPSAltitude>5/1</exif:GPSAltitude>\n"
                                           "   <exif:GPSImgDirectionRef>M</exif:GPSImgDirectionRef>\n"
                                           "   <exif:GPSTimeStamp>2024-05-01T12:00:00Z</exif:GPSTimeStamp>\n"
                                           "   <exif:GPSMapDatum>WGS-84</exif:GPSMapDatum>\n"
                                           "   <exif:GPSLongitude>1,0E</exif:GPSLongitude>\n");
    const std::string after = Sidecar("\n   exif:GPSVersionID=\"2.3.0.0\"",
                                      "   <exif:GPSLatitude>2,30.000000N</exif:GPSLatitude>\n"
                                      "   <exif:GPSImgDirectionRef>M</exif:GPSImgDirectionRef>\n"
                                      "   <exif:GPSTimeStamp>2024-05-01T12:00:00Z</exif:GPSTimeStamp>\n"
                                      "   <exif:GPSMapDatum>WGS-84</exif:GPSMapDatum>\n"
                                      "   <exif:GPSLongitude>3,00.000000W</exif:GPSLongitude>\n");
    EXPECT_EQ(after, Stored(before, Position(2.5, -3)));

    // A geotagging fix sets the time in UTC; a copy in a second description
    // and a structure in place of a value are mended.
    SidecarPosition fix = Position(2.5, -3);
    fix.hasFixTime = true;
    fix.fixTime = {2024, 5, 1, 12, 30, 5};
    const std::string twice =
        "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
        "<rdf:Description rdf:about='' xmlns:exif='http://ns.adobe.com/exif/1.0/' exif:GPSTimeStamp='x'>"
        "<exif:GPSLatitude><rdf:Alt><rdf:li>1,0N</rdf:li></rdf:Alt></exif:GPSLatitude></rdf:Description>"
        "<rdf:Description rdf:about='' xmlns:e='http://ns.adobe.com/exif/1.0/' e:GPSLatitude='7,0N'/></rdf:RDF>";
    EXPECT_EQ("<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
              "<rdf:Description rdf:about='' xmlns:exif='http://ns.adobe.com/exif/1.0/' exif:GPSTimeStamp='2024-05-01T12:30:05Z'"
              " exif:GPSVersionID='2.3.0.0' exif:GPSLongitude='3,00.000000W'>"
              "<exif:GPSLatitude>2,30.000000N</exif:GPSLatitude></rdf:Description>"
              "<rdf:Description rdf:about='' xmlns:e='http://ns.adobe.com/exif/1.0/'/></rdf:RDF>",
              Stored(twice, fix));
}

TEST(SidecarStore, TheNamespaceIsDeclaredWhereNoneIsInScope)
{
    const std::string rdf = "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>";
    // "exif" taken by another namespace: the next free prefix.
    EXPECT_EQ(rdf + "<rdf:Description xmlns:exif='urn:x' xmlns:exif1='http://ns.adobe.com/exif/1.0/' exif1:GPSVersionID='2.3.0.0'"
                    " exif1:GPSLatitude='1,00.000000N' exif1:GPSLongitude='1,00.000000E'/></rdf:RDF>",
              Stored(rdf + "<rdf:Description xmlns:exif='urn:x'/></rdf:RDF>", Position(1, 1)));
    // No description at all: a new one.
    EXPECT_EQ(rdf + "<rdf:Description rdf:about=\"\" xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" exif:GPSVersionID=\"2.3.0.0\""
                    " exif:GPSLatitude=\"1,00.000000N\" exif:GPSLongitude=\"1,00.000000E\"/></rdf:RDF>",
              Stored(rdf + "</rdf:RDF>", Position(1, 1)));
    EXPECT_EQ("<x:xmpmeta xmlns:x='adobe:ns:meta/'><r:RDF xmlns:r='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><r:Description r:about=\"\""
              " xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" exif:GPSVersionID=\"2.3.0.0\" exif:GPSLatitude=\"1,00.000000N\""
              " exif:GPSLongitude=\"1,00.000000E\"/></r:RDF></x:xmpmeta>",
              Stored("<x:xmpmeta xmlns:x='adobe:ns:meta/'><r:RDF xmlns:r='http://www.w3.org/1999/02/22-rdf-syntax-ns#'/></x:xmpmeta>",
                     Position(1, 1)));
}

TEST(SidecarCreate, ANewSidecarHoldsThePositionAlone)
{
    std::string out = "unchanged";
    EXPECT_EQ(S_FALSE, CreateSidecar(SidecarPosition(), &out));
    EXPECT_EQ("unchanged", out);
    SidecarPosition p = Position(-12.5, 130.25, 8.5, 45);
    ASSERT_EQ(S_OK, CreateSidecar(p, &out));
    SidecarPosition back;
    ASSERT_EQ(S_OK, ReadSidecarPosition(out, &back));
    EXPECT_NEAR(-12.5, back.place.latitude / kDeg, 1e-9);
    EXPECT_NEAR(130.25, back.place.longitude / kDeg, 1e-9);
    EXPECT_DOUBLE_EQ(8.5, back.place.altitude);
    EXPECT_NEAR(45, back.place.heading / kDeg, 1e-9);
    std::string removed;
    ASSERT_EQ(S_OK, RemoveSidecarPosition(out, &removed));
    EXPECT_EQ(S_FALSE, ReadSidecarPosition(removed, &back));
    EXPECT_EQ(std::string::npos, removed.find("GPS"));
}

bool IsRaw(const std::wstring& name)
{
    const std::wstring raws[] = {L".CR2", L".NEF", L".DNG"};
    for (const std::wstring& ext : raws) {
        if (name.size() > ext.size() && SameFileName(name.substr(name.size() - ext.size()), ext))
            return true;
    }
    return false;
}

struct NameRow {
    const wchar_t* raw;
    std::vector<std::wstring> folder;
    std::vector<std::wstring> existing;
    const wchar_t* create;
};

TEST(SidecarNames, EveryExistingSidecarElseTheBaseName)
{
    const NameRow rows[] = {
        {L"IMG_1.CR2", {L"IMG_1.CR2", L"IMG_10.xmp", L"IMG_1.JPG"}, {}, L"IMG_1.xmp"},
        {L"IMG_1.CR2", {L"IMG_1.CR2", L"img_1.nef"}, {}, L"IMG_1.CR2.xmp"},
        {L"IMG_1.CR2", {L"img_1.cr2.XMP", L"IMG_1.CR2", L"Img_1.Xmp"}, {L"img_1.cr2.XMP", L"Img_1.Xmp"}, L""},
        {L"IMG_1.CR2", {L"IMG_1.NEF", L"IMG_1.xmp"}, {L"IMG_1.xmp"}, L""},
        {L"a.b.DNG", {L"a.b.xmp", L"a.xmp"}, {L"a.b.xmp"}, L""},
        // Ordinal without regard to case, the same in every locale.
        {L"FILE.NEF", {L"file.xmp"}, {L"file.xmp"}, L""},
        {L"FILE.NEF", {L"f\u0131le.xmp", L"F\u0130LE.xmp"}, {}, L"FILE.xmp"},
        {L"\u00C9T\u00C9.CR2", {L"\u00E9t\u00E9.xmp"}, {L"\u00E9t\u00E9.xmp"}, L""},
        {L"\u041C\u041E\u0420\u0415.DNG", {L"\u043C\u043E\u0440\u0435.dng.xmp"}, {L"\u043C\u043E\u0440\u0435.dng.xmp"}, L""},
        {L"\u00DF.CR2", {L"SS.xmp"}, {}, L"\u00DF.xmp"},
    };
    for (const NameRow& row : rows) {
        SidecarNames names;
        ASSERT_EQ(S_OK, FindSidecarNames(row.raw, row.folder, IsRaw, &names));
        EXPECT_EQ(row.existing, names.existing);
        EXPECT_EQ(std::wstring(row.create), names.create);
    }
}

}  // namespace
