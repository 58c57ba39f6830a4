// The input image list: size rules and their messages, order, rotation, base, the information
// line, the hand-over of placements to a real engine session, and placed pictures of mixed
// sizes cut to the smallest common size around their centres.
#include <gtest/gtest.h>

#include <map>

#include "image_impl.h"
#include "input_list.h"
#include "stitchkit/MFCPanorama.h"
#include "support/scripted_prompter.h"

namespace {

// A list whose pictures are described by name: "w x h" sizes, thumbnails of that aspect; the
// loaded pictures hold their column in blue and their row in green.
struct FakeFiles {
    std::map<std::string, std::pair<int, int>> sizes;
    void InstallLoader() const {
        CImageInfo::SetLoader([this](const std::string& path, const PictureCorrection&) {
            const auto [w, h] = sizes.at(path);
            std::unique_ptr<CImageImpl> picture = CImageImpl::Create(w, h, 24, kImageTypeBmp);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    picture->GetRow(y)[3 * x] = static_cast<BYTE>(x);
                    picture->GetRow(y)[3 * x + 1] = static_cast<BYTE>(y);
                }
            return picture;
        });
    }
    InputImageList::Probe Probe() const {
        return [this](const std::string& path) {
            ListedPicture p;
            const auto it = sizes.find(path);
            if (it == sizes.end()) return p;
            p.ok = true;
            p.width = it->second.first;
            p.height = it->second.second;
            p.thumbnail = QImage(100, std::max(1, 100 * p.height / p.width), QImage::Format_RGB32);
            p.thumbnail.fill(Qt::red);
            return p;
        };
    }
};

} // namespace

TEST(InputImageList, SizeRulesAndTheirMessages) {
    ScriptedPrompter prompts;
    FakeFiles files;
    files.sizes = {{"/p/a.jpg", {640, 480}},       {"/p/b.jpg", {700, 480}},
                   {"/p/c.jpg", {720, 480}},       {"/p/tall.jpg", {200, 3000}},
                   {"/p/long.jpg", {240, 100000}}, {"/p/d.jpg", {640, 480}}};
    InputImageList list;
    list.SetProbe(files.Probe());

    EXPECT_EQ(list.AddFiles({"/p/a.jpg", "/p/d.jpg", "/p/a.jpg"}), 2); // the duplicate beeps
    EXPECT_EQ(prompts.Beeps(), 1);
    EXPECT_EQ(list.InfoLine(), "2 images,  640 by 480");

    prompts.Expect(kIdYes); // 700 <= 640 x 1.1
    prompts.Expect(kIdOk);
    EXPECT_EQ(list.AddFiles({"/p/b.jpg", "/p/c.jpg"}), 1);
    EXPECT_EQ(prompts.Take().back(), "Image size is wrong. (640 X 480 ?+10%)");
    EXPECT_EQ(list.Count(), 3);
    // A new batch asks again; No refuses silently from then on in that batch.
    prompts.Expect(kIdNo);
    EXPECT_EQ(list.AddFiles({"/p/c.jpg"}), 0);
    prompts.Take();

    // Limits: the smaller side at least 240, the larger at most 100000 (one message a batch).
    InputImageList limits;
    limits.SetProbe(files.Probe());
    prompts.Expect(kIdOk);
    EXPECT_EQ(limits.AddFiles({"/p/tall.jpg", "/p/tall.jpg", "/p/long.jpg"}), 1);
    EXPECT_EQ(prompts.Take(), std::vector<std::string>{"Something wrong with the image size."});
    EXPECT_EQ(limits.InfoLine(), " 1 image,  240 by 100000");
}

TEST(InputImageList, OrderRotationBaseAndRemoval) {
    ScriptedPrompter prompts;
    FakeFiles files;
    files.sizes = {{"/p/a.jpg", {640, 480}}, {"/p/b.jpg", {640, 480}}, {"/p/c.jpg", {640, 480}}};
    InputImageList list;
    list.SetProbe(files.Probe());
    ASSERT_EQ(list.AddFiles({"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"}), 3);

    list.SetSelected(0);
    prompts.Expect(kIdOk);
    EXPECT_FALSE(list.MoveSelected(-1));
    EXPECT_EQ(prompts.Take(), std::vector<std::string>{"Cannot move a.jpg."});
    EXPECT_TRUE(list.MoveSelected(+1));
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{"/p/b.jpg", "/p/a.jpg", "/p/c.jpg"}));
    EXPECT_EQ(list.Selected(), 1);

    prompts.Expect(kIdOk);
    EXPECT_TRUE(list.SetBaseToSelected());
    EXPECT_EQ(list.Base(), 2);
    EXPECT_EQ(list.Label(1), "* a.jpg");

    for (int turn = 1; turn <= 4; ++turn) {
        list.Rotate();
        const bool odd = turn % 2 == 1;
        EXPECT_EQ(list.ReferenceWidth(), odd ? 480 : 640);
        EXPECT_EQ(list.Thumbnail(0).width(), odd ? 75 : 100);
    }
    EXPECT_EQ(list.Rotation(), 0);

    // OUT of the base image: the base goes back to none.
    list.SetSelected(1);
    prompts.Expect(kIdOk);
    EXPECT_TRUE(list.RemoveSelected());
    EXPECT_EQ(list.Base(), 0);
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{"/p/b.jpg", "/p/c.jpg"}));
    EXPECT_EQ(list.Selected(), -1);
    prompts.Expect(kIdYes);
    EXPECT_TRUE(list.RemoveAll());
    EXPECT_EQ(list.InfoLine(), "");
}

TEST(InputImageList, DocumentAndTransferToTheEngine) {
    ScriptedPrompter prompts;
    InputImageList list;
    CAlignDocument document;
    // Three 300 x 240 pictures placed by hand; the engine receives (dy, dx) between neighbours.
    FakeFiles files;
    files.sizes = {{"/p/a.bmp", {300, 240}}, {"/p/b.bmp", {300, 240}}, {"/p/c.bmp", {300, 240}}};
    list.SetProbe(files.Probe());
    files.InstallLoader();
    ASSERT_EQ(list.AddFiles({"/p/a.bmp", "/p/b.bmp", "/p/c.bmp"}), 3);
    ASSERT_EQ(list.BuildImageInfoList(document), 3);
    EXPECT_EQ(document.At(1)->Rect(), (PlacementRect{300, 0, 600, 240}));
    document.At(1)->MoveTo(250, 7);
    document.At(2)->MoveTo(480, -3);
    EXPECT_EQ(list.BuildImageInfoList(document), 3); // same list: placements kept
    EXPECT_EQ(document.At(1)->Rect().left, 250);

    MFCPanorama engine;
    EngineTransfer transfer;
    ASSERT_TRUE(InputImageList::TransferToEngine(document, engine, false, transfer));
    EXPECT_EQ(engine.GetImagesCount(), 3);
    int dy = 0, dx = 0;
    engine.GetAlign(0, 1, &dy, &dx);
    EXPECT_EQ(dy, 7);
    EXPECT_EQ(dx, 250);
    engine.GetAlign(1, 2, &dy, &dx);
    EXPECT_EQ(dy, -10);
    EXPECT_EQ(dx, 230);
    // A picture of another size makes the transfer fail and leaves the engine empty.
    document.At(2)->SetPicture(CImageImpl::Create(301, 240, 24, kImageTypeBmp));
    EXPECT_FALSE(InputImageList::TransferToEngine(document, engine, false, transfer));
    EXPECT_EQ(engine.GetImagesCount(), 0);
    CImageInfo::SetLoader({});
}

TEST(InputImageList, MixedSizesAreCutAroundTheCentre) {
    ScriptedPrompter prompts;
    FakeFiles files;
    files.sizes = {{"/p/wide.bmp", {411, 300}}, {"/p/tall.bmp", {400, 306}}};
    InputImageList list;
    list.SetProbe(files.Probe());
    files.InstallLoader();
    prompts.Expect(kIdYes); // trim automatically
    ASSERT_EQ(list.AddFiles({"/p/wide.bmp", "/p/tall.bmp"}), 2);
    CAlignDocument document;
    ASSERT_EQ(list.BuildImageInfoList(document), 2);
    // Smallest 400 x 300: the wide one loses (411 - 400) / 2 = 5 columns on the left, the tall
    // one (306 - 300) / 2 = 3 rows on top.
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(document.At(k)->Width(), 400);
        EXPECT_EQ(document.At(k)->Height(), 300);
    }
    const CImageImpl* wide = document.At(0)->Picture();
    const CImageImpl* tall = document.At(1)->Picture();
    EXPECT_EQ(wide->GetRow(0)[0], 5);
    EXPECT_EQ(wide->GetRow(0)[1], 0);
    EXPECT_EQ(tall->GetRow(0)[0], 0);
    EXPECT_EQ(tall->GetRow(0)[1], 3);
    EXPECT_EQ(document.At(1)->Rect().left, 400);
    CImageInfo::SetLoader({});
}
