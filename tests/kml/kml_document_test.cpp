// KML documents for selections of real photos: which placemarks appear and
// where, their texts and numbers as written into the file.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>

#include "exif/exif_block.h"
#include "kml/kml_document.h"
#include "kml/kml_photos.h"
#include "kml/xml_serializer.h"
#include "product_identity.h"
#include "raw/raw_bytes.h"
#include "selection/image_selection.h"
#include "testlib/photos.h"
#include "testlib/shortcut_file.h"
#include "testlib/temp_folder.h"

namespace {

using kmltest::kLocatedPhoto;
using kmltest::kUnlocatedPhoto;
using kmltest::LocatedCopy;
using kmltest::SerializedText;

const XmlNode* Child(const XmlNode* node, int index)
{
    return static_cast<const XmlNode*>(node->children.ItemAt(index));
}

std::wstring Name(const XmlNode* node)
{
    return node && node->name ? node->name : L"<none>";
}

std::wstring Text(const XmlNode* node)
{
    return node && node->text ? node->text : L"";
}

// The names of node's children, joined with blanks.
std::wstring ChildNames(const XmlNode* node)
{
    std::wstring names;
    for (int i = 0; i < node->children.Count(); ++i)
        names += (i ? L" " : L"") + Name(Child(node, i));
    return names;
}

// The text of the child named name, or "<missing>".
std::wstring ChildText(const XmlNode* node, const std::wstring& name)
{
    for (int i = 0; i < node->children.Count(); ++i) {
        if (Name(Child(node, i)) == name)
            return Text(Child(node, i));
    }
    return L"<missing>";
}

const XmlNode* ChildNamed(const XmlNode* node, const std::wstring& name)
{
    for (int i = 0; i < node->children.Count(); ++i) {
        if (Name(Child(node, i)) == name)
            return Child(node, i);
    }
    return nullptr;
}

std::wstring CoordinatesOf(const XmlNode* placemark)
{
    return ChildText(ChildNamed(placemark, L"Point"), L"coordinates");
}

std::wstring ExpectedPlacemarkText(const std::wstring& path, int width, int height)
{
    return L"<p>" + path + L"</p><p><img src=\"" + path + L"\" width=\"" + std::to_wstring(width) +
           L"\" height=\"" + std::to_wstring(height) + L"\"></p><p>Placemark created " +
           kmltest::TodayShortDate() + L" with <a href=\"" + VZ_MAKER_URL_W + L"\">Vantrelo Zerli</a></p>";
}

XmlDocumentHolder Build(const std::vector<std::wstring>& paths, const wchar_t* kmlPath = nullptr)
{
    ImageSelection selection;
    for (const std::wstring& path : paths)
        EXPECT_EQ(S_OK, selection.Append(path.c_str()));
    XmlDocumentHolder document(BuildKmlDocument(selection, kmlPath));
    EXPECT_NE(nullptr, document);
    EXPECT_NE(nullptr, document ? document->root : nullptr);
    return document;
}

class KmlDocumentTest : public testing::Test {
protected:
    vztest::TempFolder folder;
};

TEST_F(KmlDocumentTest, OneLocatedPhotoGivesAPlacemarkRightBelowTheRoot)
{
    std::wstring photo = LocatedCopy(kLocatedPhoto, folder.Path(), L"sydney.jpg", -33.8568, 151.2153);
    ASSERT_FALSE(photo.empty());
    XmlDocumentHolder document = Build({photo});
    ASSERT_TRUE(document && document->root);

    // The whole document as written into the file, element for element:
    // LookAt keeps the KML 2.2 order (tilt before range), the icon address
    // carries the Base64 id, the description is escaped HTML.
    std::wstring escapedText = L"&lt;p&gt;" + photo + L"&lt;/p&gt;&lt;p&gt;&lt;img src=&quot;" + photo +
                               L"&quot; width=&quot;246&quot; height=&quot;122&quot;&gt;&lt;/p&gt;&lt;p&gt;"
                               L"Placemark created " + kmltest::TodayShortDate() +
                               L" with &lt;a href=&quot;" VZ_MAKER_URL_W L"&quot;&gt;Vantrelo Zerli&lt;/a&gt;&lt;/p&gt;";
    EXPECT_EQ(L"<?xml version=\"1.0\"?>\r\n"
              L"<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n"
              L"\t<Placemark>\r\n"
              L"\t\t<name>Image - sydney.jpg</name>\r\n"
              L"\t\t<description>" + escapedText + L"</description>\r\n"
              L"\t\t<LookAt>\r\n"
              L"\t\t\t<longitude>151.215300</longitude>\r\n"
              L"\t\t\t<latitude>-33.856800</latitude>\r\n"
              L"\t\t\t<heading>0.000000</heading>\r\n"
              L"\t\t\t<tilt>0.0</tilt>\r\n"
              L"\t\t\t<range>800</range>\r\n"
              L"\t\t</LookAt>\r\n"
              L"\t\t<Style>\r\n"
              L"\t\t\t<IconStyle>\r\n"
              L"\t\t\t\t<Icon>\r\n"
              L"\t\t\t\t\t<href>" VZ_MAKER_URL_W L"/Placemark_VZ.php?id=VlpfMS4yLjEuMjA=</href>\r\n"
              L"\t\t\t\t</Icon>\r\n"
              L"\t\t\t</IconStyle>\r\n"
              L"\t\t</Style>\r\n"
              L"\t\t<Point>\r\n"
              L"\t\t\t<coordinates>151.215300,-33.856800,0</coordinates>\r\n"
              L"\t\t</Point>\r\n"
              L"\t</Placemark>\r\n"
              L"</kml>\r\n",
              SerializedText(document.get()));
}

TEST_F(KmlDocumentTest, SeveralPhotosGoIntoAFolderAndUnlocatedOnesAreLeftOut)
{
    std::wstring first = vztest::CopyPhoto(kLocatedPhoto, folder.Path(), L"first.jpg");
    std::wstring second = vztest::CopyPhoto(kUnlocatedPhoto, folder.Path(), L"second.jpg");
    std::wstring third = vztest::CopyPhoto(L"southern.jpg", folder.Path(), L"third.jpg");
    std::wstring missing = folder / L"missing.jpg";
    XmlDocumentHolder document = Build({first, second, missing, third});
    ASSERT_TRUE(document && document->root);

    ASSERT_EQ(L"Folder", ChildNames(document->root));
    const XmlNode* kmlFolder = Child(document->root, 0);
    EXPECT_EQ(L"name description Placemark Placemark", ChildNames(kmlFolder));
    EXPECT_EQ(L"New Images", ChildText(kmlFolder, L"name"));
    EXPECT_EQ(L"Folder created " + kmltest::TodayShortDate() + L" with <a href=\"" VZ_MAKER_URL_W
              L"\">Vantrelo Zerli</a>",
              ChildText(kmlFolder, L"description"));

    const XmlNode* stockholm = Child(kmlFolder, 2);
    const XmlNode* kenya = Child(kmlFolder, 3);
    EXPECT_EQ(L"Image - first.jpg", ChildText(stockholm, L"name"));
    EXPECT_EQ(L"Image - third.jpg", ChildText(kenya, L"name"));
    EXPECT_EQ(L"name description LookAt Style Point", ChildNames(stockholm));
    EXPECT_EQ(L"longitude latitude heading tilt range", ChildNames(ChildNamed(stockholm, L"LookAt")));
    // Positions as the photos hold them (ExifTool: 59.3325472 18.0649417
    // 29 m heading 104.737; -0.3713 36.0564167 without altitude).
    EXPECT_EQ(L"18.064942,59.332547,29", CoordinatesOf(stockholm));
    EXPECT_EQ(L"104.737", ChildText(ChildNamed(stockholm, L"LookAt"), L"heading").substr(0, 7));
    EXPECT_EQ(L"36.056417,-0.371300,0", CoordinatesOf(kenya));
    EXPECT_EQ(L"0.000000", ChildText(ChildNamed(kenya, L"LookAt"), L"heading"));
}

TEST_F(KmlDocumentTest, PhotosWithoutPositionsLeaveAnEmptyFolderOrABareRoot)
{
    std::wstring a = vztest::CopyPhoto(kUnlocatedPhoto, folder.Path(), L"a.jpg");
    std::wstring b = vztest::CopyPhoto(L"noexif.jpg", folder.Path(), L"b.jpg");
    XmlDocumentHolder two = Build({a, b});
    ASSERT_TRUE(two && two->root);
    ASSERT_EQ(L"Folder", ChildNames(two->root));
    EXPECT_EQ(L"name description", ChildNames(Child(two->root, 0)));

    // One photo without a position: the root holds nothing but its attribute.
    XmlDocumentHolder one = Build({a});
    ASSERT_TRUE(one && one->root);
    EXPECT_EQ(0, one->root->children.Count());
    EXPECT_EQ(L"<?xml version=\"1.0\"?>\r\n<kml xmlns=\"http://www.opengis.net/kml/2.2\"/>\r\n",
              SerializedText(one.get()));

    // An empty selection still gives the folder.
    XmlDocumentHolder none = Build({});
    ASSERT_TRUE(none && none->root);
    EXPECT_EQ(L"name description", ChildNames(Child(none->root, 0)));
}

TEST_F(KmlDocumentTest, AShortcutKeepsItsOwnNameAndTakesItsTargetsPosition)
{
    std::wstring target = LocatedCopy(kLocatedPhoto, folder.Path(), L"target.jpg", 48.8584, 2.2945, 35.0);
    ASSERT_FALSE(target.empty());
    std::wstring link = folder / L"Holiday.lnk";
    ASSERT_EQ(S_OK, vztest::CreateShortcut(link, target));
    XmlDocumentHolder document = Build({link});
    ASSERT_TRUE(document && document->root);
    ASSERT_EQ(L"Placemark", ChildNames(document->root));
    const XmlNode* placemark = Child(document->root, 0);
    EXPECT_EQ(L"Image - Holiday.lnk", ChildText(placemark, L"name"));
    EXPECT_EQ(ExpectedPlacemarkText(link, 246, 122), ChildText(placemark, L"description"));
    EXPECT_EQ(L"2.294500,48.858400,35", CoordinatesOf(placemark));
}

TEST_F(KmlDocumentTest, AnAmpersandInAFolderNameIsEscapedInTheFile)
{
    std::wstring parisFolder = folder / L"Rom & Paris";
    ASSERT_TRUE(CreateDirectoryW(parisFolder.c_str(), nullptr));
    std::wstring photo = LocatedCopy(kLocatedPhoto, parisFolder, L"a.jpg", 41.9, 12.5);
    ASSERT_FALSE(photo.empty());
    XmlDocumentHolder document = Build({photo});
    ASSERT_TRUE(document && document->root);
    EXPECT_EQ(ExpectedPlacemarkText(photo, 246, 122), ChildText(Child(document->root, 0), L"description"));

    std::wstring text = SerializedText(document.get());
    std::wstring escapedPath = folder.Path() + L"\\Rom &amp; Paris\\a.jpg";
    EXPECT_NE(std::wstring::npos, text.find(L"&lt;p&gt;" + escapedPath + L"&lt;/p&gt;")) << text;
    EXPECT_NE(std::wstring::npos, text.find(L"src=&quot;" + escapedPath + L"&quot;")) << text;
    EXPECT_EQ(std::wstring::npos, text.find(L"Rom & Paris")) << text;
}

TEST_F(KmlDocumentTest, AltitudeIsRoundedToWholeMetresAndAnglesKeepSixDecimals)
{
    std::wstring up = LocatedCopy(kLocatedPhoto, folder.Path(), L"up.jpg", 10.5, -20.25, 34.6, 270.0);
    std::wstring down = LocatedCopy(kLocatedPhoto, folder.Path(), L"down.jpg", -0.0001, 179.5, -12.4);
    ASSERT_FALSE(up.empty());
    ASSERT_FALSE(down.empty());
    XmlDocumentHolder document = Build({up, down});
    ASSERT_TRUE(document && document->root);
    const XmlNode* kmlFolder = Child(document->root, 0);
    ASSERT_EQ(4, kmlFolder->children.Count());
    EXPECT_EQ(L"-20.250000,10.500000,35", CoordinatesOf(Child(kmlFolder, 2)));
    EXPECT_EQ(L"270.000000", ChildText(ChildNamed(Child(kmlFolder, 2), L"LookAt"), L"heading"));
    EXPECT_EQ(L"179.500000,-0.000100,-12", CoordinatesOf(Child(kmlFolder, 3)));
}

TEST_F(KmlDocumentTest, ThePhotoIsShownWithItsProportionsAtAbout30000Pixels)
{
    struct Case {
        unsigned width, height;
        int shownWidth, shownHeight;
    } cases[] = {{4000, 3000, 200, 150}, {3000, 4000, 150, 200}, {1920, 1080, 231, 130}, {1, 65535, 1, 30000}};
    for (const Case& c : cases) {
        std::wstring name = std::to_wstring(c.width) + L"x" + std::to_wstring(c.height) + L".jpg";
        std::wstring photo = vztest::CopyPhoto(kLocatedPhoto, folder.Path(), name);
        ASSERT_TRUE(kmltest::SetFrameSize(photo, c.width, c.height));
        XmlDocumentHolder document = Build({photo});
        ASSERT_TRUE(document && document->root);
        ASSERT_EQ(1, document->root->children.Count()) << name;
        EXPECT_EQ(ExpectedPlacemarkText(photo, c.shownWidth, c.shownHeight),
                  ChildText(Child(document->root, 0), L"description"));
    }

    // A located photo without a frame header: 200 x 150, no division by 0.
    std::wstring cut = vztest::CopyPhoto(kLocatedPhoto, folder.Path(), L"cut.jpg");
    ASSERT_TRUE(kmltest::CutBeforeFrameHeader(cut));
    XmlDocumentHolder document = Build({cut});
    ASSERT_TRUE(document && document->root);
    ASSERT_EQ(1, document->root->children.Count());
    EXPECT_EQ(ExpectedPlacemarkText(cut, 200, 150), ChildText(Child(document->root, 0), L"description"));

    int width = 0;
    int height = 0;
    PhotoDisplaySize(0, 480, &width, &height);
    EXPECT_EQ(200, width);
    EXPECT_EQ(150, height);
    PhotoDisplaySize(640, 0, &width, &height);
    EXPECT_EQ(200, width);
    EXPECT_EQ(150, height);
    PhotoDisplaySize(640, 480, &width, &height);
    EXPECT_EQ(200, width);
    EXPECT_EQ(150, height);
}

// Raw files are placed where their sidecar says, else where the camera
// said; the balloon shows the JPEG preview a raw file embeds, copied beside
// the KML file, and no picture for one without a preview. The raw files
// stay as they were.
TEST_F(KmlDocumentTest, RawFilesArePlacedAndShownByTheirPreviewsCopiedBesideTheKmlFile)
{
    const Bytes withPreview = BuildDng("2024:05:01 12:30:00", nullptr, true, true);
    const Bytes bare = BuildDng("2024:05:01 12:30:00", nullptr, false, false);
    const std::wstring own = folder / L"own.dng";
    const std::wstring tagged = folder / L"tagged.DNG";
    const std::wstring unlocated = folder / L"unlocated.dng";
    const std::wstring previewed = folder / L"previewed.dng";
    ASSERT_TRUE(vztest::WriteFileBytes(own, std::string(withPreview.begin(), withPreview.end())));
    ASSERT_TRUE(vztest::WriteFileBytes(tagged, std::string(bare.begin(), bare.end())));
    ASSERT_TRUE(vztest::WriteFileBytes(unlocated, std::string(bare.begin(), bare.end())));
    ASSERT_TRUE(vztest::WriteFileBytes(previewed, std::string(withPreview.begin(), withPreview.end())));
    // A sidecar's position wins over the camera's.
    const std::string sidecar =
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
        "<rdf:Description rdf:about=\"\" xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" "
        "exif:GPSLatitude=\"10,30.0N\" exif:GPSLongitude=\"20,15.0W\"/></rdf:RDF></x:xmpmeta>";
    ASSERT_TRUE(vztest::WriteFileBytes(folder / L"tagged.DNG.xmp", sidecar));
    ASSERT_TRUE(vztest::WriteFileBytes(folder / L"previewed.xmp", sidecar));
    const std::wstring kml = folder / L"VantreloZerli0000abcd.kml";

    XmlDocumentHolder document = Build({own, tagged, unlocated, previewed}, kml.c_str());
    ASSERT_TRUE(document && document->root);
    const XmlNode* kmlFolder = Child(document->root, 0);
    ASSERT_EQ(L"name description Placemark Placemark Placemark", ChildNames(kmlFolder));
    // 6048 x 4024 shown at about 30,000 pixels.
    int width = 0, height = 0;
    PhotoDisplaySize(6048, 4024, &width, &height);
    const XmlNode* ownPlacemark = Child(kmlFolder, 2);
    EXPECT_EQ(L"Image - own.dng", ChildText(ownPlacemark, L"name"));
    EXPECT_EQ(L"-2.294500,48.858300,36", CoordinatesOf(ownPlacemark));
    const std::wstring ownPreview = folder / L"VantreloZerli0000abcd-0.jpg";
    std::wstring expected = ExpectedPlacemarkText(own, width, height);
    expected.replace(expected.find(L"src=\"") + 5, own.size(), ownPreview);
    EXPECT_EQ(expected, ChildText(ownPlacemark, L"description"));
    const Bytes jpeg = BuildJpeg({});
    EXPECT_EQ(std::string(jpeg.begin(), jpeg.end()), vztest::ReadFileBytes(ownPreview));

    const XmlNode* taggedPlacemark = Child(kmlFolder, 3);
    EXPECT_EQ(L"-20.250000,10.500000,0", CoordinatesOf(taggedPlacemark));
    EXPECT_EQ(L"<p>" + tagged + L"</p><p>Placemark created " + kmltest::TodayShortDate() + L" with <a href=\"" +
                  VZ_MAKER_URL_W + L"\">Vantrelo Zerli</a></p>",
              ChildText(taggedPlacemark, L"description"));
    EXPECT_EQ(L"-20.250000,10.500000,0", CoordinatesOf(Child(kmlFolder, 4)));
    EXPECT_EQ(vztest::NamesIn(folder.Path(), L"*.jpg"),
              (std::vector<std::wstring>{L"VantreloZerli0000abcd-0.jpg", L"VantreloZerli0000abcd-3.jpg"}));

    // Without a KML file's path, no preview is copied and none is shown.
    XmlDocumentHolder alone = Build({own});
    ASSERT_TRUE(alone && alone->root);
    EXPECT_EQ(std::wstring::npos, ChildText(Child(alone->root, 0), L"description").find(L"<img"));

    EXPECT_EQ(std::string(withPreview.begin(), withPreview.end()), vztest::ReadFileBytes(own));
    EXPECT_EQ(std::string(bare.begin(), bare.end()), vztest::ReadFileBytes(tagged));
}

TEST_F(KmlDocumentTest, AddPhotoPlacemarkReportsThePositionReadFailure)
{
    XmlDocumentHolder document(CreateXmlDocument(L"kml", nullptr));
    std::wstring unlocated = vztest::CopyPhoto(kUnlocatedPhoto, folder.Path());
    EXPECT_EQ(E_FAIL, AddPhotoPlacemark(document->root, unlocated.c_str()));
    EXPECT_EQ(E_FAIL, AddPhotoPlacemark(document->root, (folder / L"missing.jpg").c_str()));
    EXPECT_EQ(0, document->root->children.Count());
    EXPECT_EQ(E_INVALIDARG, AddPhotoPlacemark(document->root, nullptr));
    EXPECT_EQ(E_INVALIDARG, AddPhotoPlacemark(nullptr, unlocated.c_str()));

    std::wstring located = vztest::CopyPhoto(kLocatedPhoto, folder.Path());
    EXPECT_EQ(S_OK, AddPhotoPlacemark(document->root, located.c_str()));
    EXPECT_EQ(L"Placemark", ChildNames(document->root));
}

}  // namespace
