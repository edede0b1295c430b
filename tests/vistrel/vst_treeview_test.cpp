// The tree view on a real window: items from the layout, rows that select and report, glyphs and
// double clicks that open and close, row sizes, the colours of the rows, and items taken out.

#include "vst_containers_support.h"

#include "vst_treeview.h"

#include "dis_font.h"

using namespace vsttest;
using norvane::vistrel::TreeItem;
using norvane::vistrel::TreeView;

namespace {

const char* const Tree = "<treeview id='tree'><area x='20' y='30' width='200' height='200'/>"
                         "<color name='back.color' first='203040' second='402010'/>"
                         "<color name='back.pushed' first='ffffff'/>"
                         "<item id='scenes' text='Scenes'>"
                         "  <item id='hall' text='Hall'><item id='lamp' text='Lamp'/></item>"
                         "  <item id='yard' text='Yard' size='40'/>"
                         "</item>"
                         "<item id='music' text='Music'/>"
                         "<item id='tall' text='Tall' size='30'/>"
                         "</treeview>";

class TreeTest : public ContainersTest {
protected:
    void SetUp() override {
        ContainersTest::SetUp();
        StdoutCapture out;
        loadControls(Tree);
        printed = out.text();
        tree = get<TreeView>("tree");
        ASSERT_NE(nullptr, tree);
        tree->addCallback(&app);
        cell = static_cast<float>(root->getWorkspace().getRender()->getFont()->mCellHeight);
        glyph = root->getWorkspace().getRender()->textWidth(std::string(1, static_cast<char>(255)));
    }
    TreeItem* item(size_t i) { return tree->getItems()[i].get(); }
    // Vertical middle of shown row n when all rows above it are one cell high.
    float rowY(int n) const { return 30 + 3 + cell * n + cell / 2; }
    int clicks() const { return static_cast<int>(app.controls.size()); }

    TreeView* tree = nullptr;
    Recorder app;
    std::string printed;
    float cell = 0, glyph = 0;
};

// Takes the item it is told of out of the tree and deletes it as soon as a row is clicked.
class Remover : public Callback {
public:
    void onControl(Control*, int) override {
        if (!tree || !target)
            return;
        std::unique_ptr<TreeItem> taken = tree->removeItem(target);
        if (taken)
            removed.push_back(taken->text);
        target = nullptr;
    }
    TreeView* tree = nullptr;
    TreeItem* target = nullptr;
    std::vector<std::string> removed;
};

} // namespace

TEST_F(TreeTest, LoadingBuildsCollapsedItemsAndPrintsEachTopLevelName) {
    EXPECT_EQ(16, cell);
    ASSERT_EQ(3u, tree->getItems().size());
    EXPECT_EQ("scenes", item(0)->id);
    EXPECT_EQ("Scenes", item(0)->text);
    EXPECT_TRUE(item(0)->collapsed);
    ASSERT_EQ(2u, item(0)->children.size());
    EXPECT_EQ("Lamp", item(0)->children[0]->children[0]->text);
    // Only top-level items take a size; nested ones keep the font's row height.
    EXPECT_EQ(-1, item(0)->children[1]->size);
    EXPECT_EQ(30, item(2)->size);
    EXPECT_TRUE(item(0)->children[0]->collapsed);
    EXPECT_EQ("treeview", tree->getClassName());
    EXPECT_EQ("tree", tree->getName());

    EXPECT_NE(std::string::npos, printed.find("item name : Scenes\n"));
    EXPECT_NE(std::string::npos, printed.find("item name : Music\n"));
    EXPECT_NE(std::string::npos, printed.find("item name : Tall\n"));
    EXPECT_EQ(std::string::npos, printed.find("item name : Hall"));
}

TEST_F(TreeTest, AClickOnARowSelectsItsItemAndReportsIt) {
    // Row 1 is "Music" while "Scenes" is closed.
    click(120, rowY(1));
    EXPECT_EQ(item(1), tree->getSelected());
    ASSERT_EQ(1, clicks());
    EXPECT_EQ(tree, app.controls[0].first);
    EXPECT_EQ(13, app.controls[0].second);

    // Below the last row nothing is hit; the selection stays.
    click(120, 30 + 3 + 2 * cell + 30 + 5);
    EXPECT_EQ(item(1), tree->getSelected());
    EXPECT_EQ(1, clicks());
    // Any button selects.
    click(120, rowY(0), GLFW_MOUSE_BUTTON_RIGHT);
    EXPECT_EQ(item(0), tree->getSelected());
    EXPECT_EQ(2, clicks());
}

TEST_F(TreeTest, TheGlyphOrADoubleClickOpensAndClosesAnItem) {
    // The glyph sits at the indentation, x1 + 3.
    click(20 + 3 + glyph / 2, rowY(0));
    EXPECT_FALSE(item(0)->collapsed);
    EXPECT_EQ(0, clicks()); // the glyph does not select
    EXPECT_EQ(nullptr, tree->getSelected());
    // Now "Hall" is row 1, "Yard" row 2 (a nested item's size is not read: one cell high),
    // "Music" row 3 and "Tall" row 4.
    click(120, rowY(1));
    EXPECT_EQ(item(0)->children[0].get(), tree->getSelected());
    click(120, rowY(3));
    EXPECT_EQ(item(1), tree->getSelected());
    click(120, rowY(2));
    EXPECT_EQ(item(0)->children[1].get(), tree->getSelected());
    click(120, rowY(4) + 7);
    EXPECT_EQ(item(2), tree->getSelected());
    EXPECT_EQ(4, clicks());

    // A double click on "Hall" opens it: the first press selects, the second toggles.
    doubleClick(120, rowY(1));
    EXPECT_FALSE(item(0)->children[0]->collapsed);
    EXPECT_EQ(5, clicks());
    // Its child sits one level further in, in row 2; clicking it selects "Lamp".
    click(120, rowY(2));
    EXPECT_EQ("Lamp", tree->getSelected()->text);

    // The glyph of a nested item is 10 pixels further right.
    click(20 + 13 + glyph / 2, rowY(1));
    EXPECT_TRUE(item(0)->children[0]->collapsed);
    // An item without children has no glyph box: the same spot on its row selects it.
    click(20 + 3 + glyph / 2, rowY(3));
    EXPECT_EQ(item(1), tree->getSelected());

    // A double click on a row without children flips its hidden flag and reports once.
    int before = clicks();
    doubleClick(120, rowY(3));
    EXPECT_EQ(before + 1, clicks());
    EXPECT_FALSE(item(1)->collapsed);

    // Closing "Scenes" from its glyph hides its rows again.
    click(20 + 3 + glyph / 2, rowY(0));
    EXPECT_TRUE(item(0)->collapsed);
    click(120, rowY(1));
    EXPECT_EQ(item(1), tree->getSelected());
}

TEST_F(TreeTest, RowsAreDrawnInAlternatingColoursWithTheSelectionInverted) {
    int tallY = static_cast<int>(30 + 3 + 2 * cell + 25);
    click(120, tallY); // select "Tall"
    frame();
    // Even rows take the second back colour (402010), odd rows the first (203040), the
    // selection (row 2, "Tall", 30 pixels) the pushed white.
    EXPECT_TRUE(near(200, static_cast<int>(rowY(0)), 0x40, 0x20, 0x10)) << describe(200, static_cast<int>(rowY(0)));
    EXPECT_TRUE(near(200, static_cast<int>(rowY(1)), 0x20, 0x30, 0x40)) << describe(200, static_cast<int>(rowY(1)));
    EXPECT_TRUE(near(200, tallY, 255, 255, 255)) << describe(200, tallY);
    // Below the last row nothing is drawn; the 3-pixel margin above the first is empty too.
    EXPECT_TRUE(near(200, static_cast<int>(30 + 3 + 2 * cell + 32), 0, 0, 0));
    EXPECT_TRUE(near(200, 31, 0, 0, 0));

    // The glyph of an item with children is drawn at the indentation; every label starts a
    // glyph's width further right, with or without a glyph: white on the plain rows, black on
    // the selected one.
    auto withGlyph = inkColumns(static_cast<int>(rowY(0)) - 5, static_cast<int>(rowY(0)) + 5, 21, 219);
    EXPECT_NEAR(20 + 3, withGlyph.first, 2);
    auto ink = inkColumns(static_cast<int>(rowY(1)) - 5, static_cast<int>(rowY(1)) + 5, 21, 219);
    EXPECT_NEAR(20 + 3 + glyph, ink.first, 2);
    EXPECT_NEAR(20 + 3 + glyph + root->getWorkspace().getRender()->textWidth("Music"), ink.second, 3);
    auto dark = 0;
    for (int x = 23; x < 60; ++x)
        for (int y = static_cast<int>(rowY(2)) - 5; y <= static_cast<int>(rowY(2)) + 5; ++y)
            dark += at(x, y, 0) < 80;
    EXPECT_GT(dark, 10);
    shot("vistrel_treeview.png");
}

TEST_F(TreeTest, TakingOutTheSelectedItemOrOneHoldingItClearsTheSelection) {
    // Another item leaves: the selection stays.
    click(120, rowY(1));
    std::unique_ptr<TreeItem> tall = tree->removeItem(item(2));
    ASSERT_NE(nullptr, tall);
    EXPECT_EQ("Tall", tall->text);
    EXPECT_EQ(item(1), tree->getSelected());
    // The selected item leaves: nothing is selected.
    TreeItem* music = item(1);
    std::unique_ptr<TreeItem> taken = tree->removeItem(music);
    EXPECT_EQ(music, taken.get());
    EXPECT_EQ(nullptr, tree->getSelected());
    ASSERT_EQ(1u, tree->getItems().size());

    // An item holding the selected one leaves: nothing is selected either.
    click(20 + 3 + glyph / 2, rowY(0));
    doubleClick(120, rowY(1));
    click(120, rowY(2));
    ASSERT_NE(nullptr, tree->getSelected());
    EXPECT_EQ("Lamp", tree->getSelected()->text);
    // A nested item is not a top-level one: nothing leaves.
    EXPECT_EQ(nullptr, tree->removeItem(item(0)->children[0].get()));
    EXPECT_EQ("Lamp", tree->getSelected()->text);
    std::unique_ptr<TreeItem> scenes = tree->removeItem(item(0));
    EXPECT_EQ(nullptr, tree->getSelected());
    EXPECT_TRUE(tree->getItems().empty());

    // Added back, an item is closed again; the tree draws and takes clicks without trouble.
    TreeItem* back = tree->addItem(std::move(scenes));
    EXPECT_TRUE(back->collapsed);
    EXPECT_EQ(nullptr, tree->addItem(nullptr));
    click(120, rowY(0));
    EXPECT_EQ(back, tree->getSelected());
    frame();
}

TEST_F(TreeTest, TheApplicationMayTakeTheClickedItemOutFromItsCallback) {
    Remover remover;
    remover.tree = tree;
    remover.target = item(0);
    tree->addCallback(&remover);
    click(20 + 3 + glyph / 2, rowY(0)); // open "Scenes": its children follow it in the walk
    click(120, rowY(0));
    EXPECT_EQ(std::vector<std::string>({"Scenes"}), remover.removed);
    EXPECT_EQ(nullptr, tree->getSelected());
    EXPECT_EQ(2u, tree->getItems().size());
    click(120, rowY(0));
    EXPECT_EQ(item(0), tree->getSelected());
}
