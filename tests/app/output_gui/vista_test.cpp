// The panorama scene saved from the program: its picture beside it, the geometry of the
// stitch, and the scene text byte for byte.
#include <gtest/gtest.h>

#include "output_test_support.h"
#include "save_result.h"
#include "support/scripted_prompter.h"
#include "vista_file.h"

namespace {

// Everything before the node's angles, as the scene file holds it.
std::string SceneHead(const std::string& texture) {
    return "#VRML V2.0 utf8\r\n\r\nEXTERNPROTO Vista [\r\n"
           "\texposedField\tSFString\ttype\r\n\texposedField\tMFNode\ttexture\r\n"
           "\texposedField\tMFVec2f\tvFov\r\n\texposedField\tMFVec2f\thFov\r\n"
           "\texposedField\tSFVec2f\tpitchRange\r\n\texposedField\tSFVec2f\tyawRange\r\n"
           "\texposedField\tSFVec2f\tzoomRange\r\n\texposedField\tMFColor\tgroundColor\r\n"
           "\texposedField\tMFFloat\tgroundRange\r\n\texposedField\tMFColor\tskyColor\r\n"
           "\texposedField\tMFFloat\tskyRange\r\n\r\n"
           "\teventOut SFVec2f\tclickPt\r\n\teventOut SFVec2f\toverPt\r\n"
           "\teventOut SFBool\tisBound\r\n\teventIn  SFBool\tset_bind\r\n"
           "] \"vista.wrl#Vista\"\r\n\r\n"
           "NavigationInfo {\r\n\ttype \"VISTA\"\r\n\theadlight FALSE\r\n}\r\n"
           "\r\nVista {\r\n\ttexture ImageTexture { url \"" +
           texture + "\" }\r\n";
}

} // namespace

TEST(Vista, InputWidthBySizeIndex) {
    const struct {
        int width, height, size, w1;
    } cases[] = {{1600, 1200, 0, 400}, {1200, 1600, 0, 400}, {1280, 960, 0, 320},
                 {1279, 960, 0, 639},  {640, 480, 0, 320},   {639, 480, 0, 639},
                 {1600, 1200, 1, 800}, {639, 480, 1, 639},   {1600, 1200, 2, 1600}};
    for (const auto& c : cases)
        EXPECT_EQ(VistaInputWidth(c.width, c.height, c.size), c.w1)
            << c.width << "x" << c.height << " size " << c.size;
}

TEST(Vista, SavedFromTheProgram) {
    // 2000 x 500 from 1600 x 1200 inputs at size 0: w1 = 400; f = 35 mm gives
    // hfov = 2000 / 400 x 35 / 35 = 5 and v = atan(250 / 400) = atan(0.625) = 0.5586.
    ScopedStore settings;
    ScratchDir dir;
    ScriptedPrompter prompts;
    auto picture = MakePicture(2000, 500);
    const struct {
        int flag360;
        const char* angles;
    } cases[] = {
        {0, "\tvFov -0.559 0.559\r\n\tpitchRange -0.559 0.559\r\n\thFov 0.000 5.000\r\n"
            "\tyawRange 0.000 5.000\r\n}"},
        {1, "\ttype \"SPHERE\"\r\n\tvFov -0.559 0.559\r\n\tpitchRange -0.559 0.559\r\n}"},
    };
    for (const auto& c : cases) {
        CSave save;
        save.SetImage(picture.get());
        save.SetImageSize(0);
        save.SetFocalLength(35.0f);
        save.SetFirstImageSize(1600, 1200);
        save.SetFlag360(c.flag360);
        const std::string path = dir.Path("pano.ivr");
        save.SetFileChooser([&](QWidget*, const std::string&, const std::string&) { return path; });
        if (c.flag360) prompts.Expect(kIdYes); // pano.ivr is there from the first case
        ASSERT_TRUE(save.Run(nullptr));
        EXPECT_EQ(ReadBytes(path), SceneHead("pano.jpg") + c.angles) << c.flag360;
        EXPECT_EQ(dir.Files(), (std::vector<std::string>{"pano.ivr", "pano.jpg"}));
        auto jpeg = CImageImpl::Open(dir.Path("pano.jpg"));
        ASSERT_TRUE(jpeg && jpeg->IsValid());
        EXPECT_EQ(jpeg->GetWidth(), 2000);
    }
    EXPECT_EQ(prompts.Boxes().size(), 1u);
}

TEST(Vista, SceneThatCannotBeWrittenKeepsThePicture) {
    // A folder holds the scene's name: the JPEG is written first and stays.
    ScratchDir dir;
    auto picture = MakePicture(64, 32);
    std::filesystem::create_directory(dir.Path("pano.ivr"));
    std::string error, jpeg;
    EXPECT_FALSE(WriteVistaFiles(*picture, dir.Path("pano.ivr"), {16, 35.0, false}, &error, &jpeg));
    EXPECT_EQ(error, "Cannot write " + dir.Path("pano.ivr") + ": Is a directory");
    EXPECT_EQ(jpeg, dir.Path("pano.jpg"));
    EXPECT_EQ(dir.Files(), (std::vector<std::string>{"pano.ivr", "pano.jpg"}));
}
