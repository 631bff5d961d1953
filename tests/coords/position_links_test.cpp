// Positions from the texts that map programs put on the clipboard: geo: URIs
// (the examples of RFC 5870), web map links (the published link forms of
// Google Maps, Apple Maps and OpenStreetMap), KML placemarks as Google Earth
// copies them and as "Show location in Google Earth" writes them, and
// hostile texts that must be refused without reading past them.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>

#include "notation/position_links.h"
#include "exif/exif_block.h"
#include "kml/kml_document.h"
#include "kml/kml_photos.h"
#include "selection/image_selection.h"
#include "testlib/temp_folder.h"

namespace {

struct Expected {
    const wchar_t* text;
    double latitude;   // degrees
    double longitude;  // degrees
    double altitude;   // metres
    double heading;    // degrees
};

void ExpectRead(HRESULT (*reader)(const wchar_t*, GeoPosition*), const Expected& expected)
{
    SCOPED_TRACE(testing::PrintToString(std::wstring(expected.text)));
    GeoPosition position;
    ASSERT_EQ(reader(expected.text, &position), S_OK);
    EXPECT_TRUE(position.known);
    EXPECT_NEAR(position.latitude * kDegreesPerRadian, expected.latitude, 1e-9);
    EXPECT_NEAR(position.longitude * kDegreesPerRadian, expected.longitude, 1e-9);
    EXPECT_DOUBLE_EQ(position.altitude, expected.altitude);
    EXPECT_NEAR(position.heading * kDegreesPerRadian, expected.heading, 1e-9);
}

// Refused: a negative result and a position left unknown and zero.
void ExpectRefused(HRESULT (*reader)(const wchar_t*, GeoPosition*), const std::wstring& text)
{
    SCOPED_TRACE(testing::PrintToString(text.size() > 80 ? text.substr(0, 80) + L"..." : text));
    GeoPosition position;
    position.known = TRUE;
    position.latitude = 1.0;
    EXPECT_LT(reader(text.c_str(), &position), 0);
    EXPECT_FALSE(position.known);
    EXPECT_EQ(position.latitude, 0.0);
    EXPECT_EQ(position.longitude, 0.0);
}

TEST(PositionLinks, GeoUrisOfRfc5870)
{
    const Expected cases[] = {
        {L"geo:13.4125,103.8667", 13.4125, 103.8667, 0, 0},
        {L"geo:48.2010,16.3695,183", 48.2010, 16.3695, 183, 0},
        {L"geo:48.198634,16.371648;crs=wgs84;u=40", 48.198634, 16.371648, 0, 0},
        {L"geo:-48.198634,-16.371648;crs=wgs84;u=40", -48.198634, -16.371648, 0, 0},
        {L"geo:90,-22.43;crs=WGS84", 90, -22.43, 0, 0},
        {L"geo:66,30;u=6.500;FOo=this%2dthat", 66, 30, 0, 0},
        {L"geo:70,20;foo=1.00;bar=white", 70, 20, 0, 0},
        {L"GEO:48.8584,2.2945,35", 48.8584, 2.2945, 35, 0},
        // A phone's link: the query names the place.
        {L"geo:0,0?q=48.8584,2.2945(Eiffel Tower)", 48.8584, 2.2945, 0, 0},
        {L"Meet me here: geo:48.8584,2.2945;u=10 at noon", 48.8584, 2.2945, 0, 0},
    };
    for (const Expected& expected : cases) {
        ExpectRead(ReadGeoUri, expected);
        ExpectRead(ReadPositionLink, expected);
    }
}

TEST(PositionLinks, GeoUrisRefused)
{
    for (const wchar_t* text : {
             L"geo:37.786971,-122.399677;crs=Moon-2011;u=35",  // another reference system
             L"geo:22.300;-118.44",                            // no comma
             L"geo:91,10", L"geo:10,-180.5", L"geo:48.1,2.2,", L"geo:48.1,2.2,high",
             L"geo:", L"apogeo:48.1,2.2",
         }) {
        ExpectRefused(ReadGeoUri, text);
        ExpectRefused(ReadPositionLink, text);
    }
}

TEST(PositionLinks, WebMapLinksGiveThePlaceElseTheViewCentre)
{
    const Expected cases[] = {
        // The place (!3d!4d) wins over the view centre (@).
        {L"https://www.google.com/maps/place/Eiffel+Tower/@48.8580000,2.2900000,15z/data=!3m1!4b1!4m6!3m5"
         L"!1s0x47e66e2964e34e2d:0x8ddca9ee380ef7e0!8m2!3d48.8583701!4d2.2944813!16zL20vMDJqODE?entry=ttu",
         48.8583701, 2.2944813, 0, 0},
        {L"https://www.google.com/maps/@48.8583701,2.2944813,17z", 48.8583701, 2.2944813, 0, 0},
        {L"https://www.google.com/maps/@-33.8567844,151.213108,3a,75y,90t/data=!3m6!1e1", -33.8567844, 151.213108,
         0, 0},
        {L"https://maps.google.com/maps?q=48.858370,2.294481&z=17", 48.858370, 2.294481, 0, 0},
        {L"https://www.google.com/maps?q=48.858370%2C2.294481", 48.858370, 2.294481, 0, 0},
        // Google's Maps URLs: search and map actions.
        {L"https://www.google.com/maps/search/?api=1&query=47.5951518%2C-122.3316393", 47.5951518, -122.3316393, 0,
         0},
        {L"https://www.google.com/maps/search/?api=1&query=47.5951518,-122.3316393", 47.5951518, -122.3316393, 0, 0},
        // A query that is no position leaves the view centre.
        {L"https://www.google.com/maps/search/?api=1&query=1600+Amphitheatre/@37.42,-122.08,15z", 37.42, -122.08, 0,
         0},
        {L"https://maps.apple.com/?ll=50.894967,4.341626", 50.894967, 4.341626, 0, 0},
        {L"https://maps.apple.com/?q=Mexican+Restaurant&ll=50.894967,4.341626", 50.894967, 4.341626, 0, 0},
        // OpenStreetMap: the marker wins over the view.
        {L"https://www.openstreetmap.org/?mlat=48.85837&mlon=2.29448#map=15/48.8500/2.2900", 48.85837, 2.29448, 0,
         0},
        {L"https://www.openstreetmap.org/?mlon=2.29448&amp;mlat=48.85837", 48.85837, 2.29448, 0, 0},
        {L"https://www.openstreetmap.org/#map=17/48.85837/2.29448", 48.85837, 2.29448, 0, 0},
        {L"https://www.openstreetmap.org/#map=17/-33.85680/151.21530&layers=T", -33.8568, 151.2153, 0, 0},
    };
    for (const Expected& expected : cases) {
        ExpectRead(ReadMapLink, expected);
        ExpectRead(ReadPositionLink, expected);
    }
}

TEST(PositionLinks, WebMapLinksRefused)
{
    for (const wchar_t* text : {
             L"https://www.google.com/maps/place/Eiffel+Tower",         // no coordinates
             L"https://www.google.com/maps/@91.0000000,2.2944813,17z",  // out of range
             L"https://www.google.com/maps/place/x/data=!3d48.85!4d181",
             L"https://www.google.com/maps/place/x/@48.8,2.2,15z/data=!3d1e999!4d2.29",
             L"https://maps.google.com/maps?q=nan,2.29", L"https://www.openstreetmap.org/?mlat=48.85837",
             L"https://www.openstreetmap.org/#map=17/48.85837", L"write to me@48.85,2.29",
             L"https://www.openstreetmap.org/#map=17/90.5/2.29",
         }) {
        ExpectRefused(ReadMapLink, text);
        ExpectRefused(ReadPositionLink, text);
    }
}

// What Google Earth puts on the clipboard for a copied placemark.
const wchar_t kEarthPlacemark[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    L"<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\">\r\n"
    L"<Document>\r\n\t<name>KmlFile</name>\r\n"
    L"\t<Style id=\"s_ylw-pushpin\"><IconStyle><scale>1.1</scale></IconStyle></Style>\r\n"
    L"\t<Placemark>\r\n\t\t<name>Eiffel Tower</name>\r\n"
    L"\t\t<LookAt>\r\n\t\t\t<longitude>2.2945</longitude>\r\n\t\t\t<latitude>48.8584</latitude>\r\n"
    L"\t\t\t<altitude>0</altitude>\r\n\t\t\t<heading>-12.5</heading>\r\n\t\t\t<tilt>45</tilt>\r\n"
    L"\t\t\t<range>1000</range>\r\n\t\t\t<gx:altitudeMode>relativeToSeaFloor</gx:altitudeMode>\r\n"
    L"\t\t</LookAt>\r\n\t\t<styleUrl>#m_ylw-pushpin</styleUrl>\r\n"
    L"\t\t<Point>\r\n\t\t\t<gx:drawOrder>1</gx:drawOrder>\r\n"
    L"\t\t\t<coordinates>2.294481,48.858370,0</coordinates>\r\n\t\t</Point>\r\n"
    L"\t</Placemark>\r\n</Document>\r\n</kml>\r\n";

TEST(PositionLinks, KmlPlacemarks)
{
    const Expected cases[] = {
        // The Point gives the place, the LookAt the heading (-12.5 is 347.5).
        {kEarthPlacemark, 48.858370, 2.294481, 0, 347.5},
        // KML's simple placemark: longitude first, altitude clamped to the ground.
        {L"<Placemark><name>Simple placemark</name><Point>"
         L"<coordinates>-122.0822035425683,37.42228990140251,0</coordinates></Point></Placemark>",
         37.42228990140251, -122.0822035425683, 0, 0},
        {L"<Placemark><Point><altitudeMode>absolute</altitudeMode>"
         L"<coordinates> -122.0822,37.4222,120 </coordinates></Point></Placemark>",
         37.4222, -122.0822, 120, 0},
        {L"<Placemark><Point><coordinates>-122.0822,37.4222,120</coordinates></Point></Placemark>", 37.4222,
         -122.0822, 0, 0},
        // Without a Point: the LookAt.
        {L"<kml><Placemark><LookAt><longitude>151.2153</longitude><latitude>-33.8568</latitude>"
         L"<heading>90</heading></LookAt></Placemark></kml>",
         -33.8568, 151.2153, 0, 90},
        {L"<Placemark><LookAt><longitude>1</longitude><latitude>2</latitude><heading>400</heading></LookAt>"
         L"</Placemark>",
         2, 1, 0, 40},
        // The first placemark.
        {L"<kml><Folder><Placemark><Point><coordinates>10,20</coordinates></Point></Placemark>"
         L"<Placemark><Point><coordinates>30,40</coordinates></Point></Placemark></Folder></kml>",
         20, 10, 0, 0},
    };
    for (const Expected& expected : cases) {
        ExpectRead(ReadKmlPlacemark, expected);
        ExpectRead(ReadPositionLink, expected);
    }
}

TEST(PositionLinks, KmlWithoutPlacemarkCoordinatesIsRefused)
{
    for (const wchar_t* text : {
             L"<kml><Document><name>Nothing here</name></Document></kml>",
             L"<kml><Placemark><name>x</name></Placemark></kml>",
             L"<kml><Placemark><Point><coordinates>2.29,48.85</coordinates></Point>",  // unbalanced
             L"<Placemark><Point><coordinates>2.29,48.85</Point></Placemark>",
             L"<Placemark><Point><coordinates>181,48.85</coordinates></Point></Placemark>",
             L"<Placemark><Point><coordinates>NaN,48.85</coordinates></Point></Placemark>",
             L"<Placemark><LookAt><longitude>2.29</longitude></LookAt></Placemark>",
             L"<Placemark><LookAt><heading>north</heading></LookAt><Point><coordinates>2,48</coordinates></Point>"
             L"</Placemark>",
             // A KML text is read as KML only, never for the links in it.
             L"<kml><Document><description>https://www.google.com/maps/@48.85,2.29,17z</description>"
             L"</Document></kml>",
         }) {
        ExpectRefused(ReadKmlPlacemark, text);
        ExpectRefused(ReadPositionLink, text);
    }
}

std::wstring Repeated(const std::wstring& piece, size_t count)
{
    std::wstring text;
    for (size_t i = 0; i < count; ++i)
        text += piece;
    return text;
}

TEST(PositionLinks, HostileTextsAreRefusedQuickly)
{
    const std::wstring digits(5000, L'7');
    const std::wstring texts[] = {
        Repeated(L"!3d", 10000),
        L"https://www.google.com/maps/place/x/data=" + Repeated(L"!3d48.1!3d", 10000) + L"!4d",
        L"geo:" + digits + L"," + digits,
        L"geo:48." + digits + L",2.29",
        L"https://www.google.com/maps/@" + digits + L"," + digits + L",17z",
        L"geo:NaN,2.29", L"geo:1e999,2.29", L"geo:48.85,-1e999", L"https://maps.google.com/?q=1e999,2",
        Repeated(L"<Placemark>", 10000),
        L"<kml>" + Repeated(L"<Placemark><Point>", 5000) + Repeated(L"</Point>", 5000),
        L"<Placemark><Point><coordinates>" + digits + L"," + digits + L"</coordinates></Point></Placemark>",
        Repeated(L"%2", 20000), Repeated(L"geo:", 20000), Repeated(L"/@", 20000), Repeated(L"<", 60000),
    };
    for (const std::wstring& text : texts) {
        auto start = std::chrono::steady_clock::now();
        ExpectRefused(ReadPositionLink, text);
        auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 500);
    }
}

// A photo's position shown in Google Earth and its placemark copied back.
TEST(PositionLinks, PlacemarkOfShowLocationReadsBackThePhotosPosition)
{
    struct Place {
        double latitude, longitude, altitude, heading;
    };
    const Place places[] = {
        {48.858370, 2.294481, 35.0, 123.4},
        {-33.8568, 151.2153, 0.0, 0.0},
        {-0.0001, -179.5, -12.0, 359.75},
    };
    vztest::TempFolder folder;
    int n = 0;
    for (const Place& place : places) {
        std::wstring photo = kmltest::LocatedCopy(kmltest::kLocatedPhoto, folder.Path(),
                                                  L"p" + std::to_wstring(++n) + L".jpg", place.latitude,
                                                  place.longitude, place.altitude, place.heading);
        ASSERT_FALSE(photo.empty());
        double latitude = 0, longitude = 0, altitude = 0, heading = 0;
        {
            ExifBlock block;
            block.Open(photo.c_str());
            ASSERT_EQ(block.ReadPosition(&latitude, &longitude, &altitude, &heading), S_OK);
        }
        ImageSelection selection;
        ASSERT_EQ(selection.Append(photo.c_str()), S_OK);
        XmlDocumentHolder document(BuildKmlDocument(selection));
        ASSERT_TRUE(document);
        std::wstring kml = kmltest::SerializedText(document.get());

        GeoPosition copied;
        ASSERT_EQ(ReadPositionLink(kml.c_str(), &copied), S_OK) << testing::PrintToString(kml);
        EXPECT_NEAR(copied.latitude * kDegreesPerRadian, latitude * kDegreesPerRadian, 5.1e-7);
        EXPECT_NEAR(copied.longitude * kDegreesPerRadian, longitude * kDegreesPerRadian, 5.1e-7);
        EXPECT_NEAR(copied.heading * kDegreesPerRadian, heading * kDegreesPerRadian, 5.1e-7);
        EXPECT_EQ(copied.altitude, 0.0);  // written without an altitude mode
    }
}

}  // namespace
