#include "inspect/show_manifest_edit.h"

#include <gtest/gtest.h>

#include <fstream>

#include <pugixml.hpp>

#include "support/test_support.h"

namespace {

// Whatever shape the manifest's Scenes take, the scene ends up there once, with its path, and the rest stays.
TEST(ShowManifestEdit, AddsTheSceneOnceWhateverTheScenesLookLike) {
    const std::string head = "<?xml version=\"1.0\"?>\n<!-- kept -->\n<Resources>\n  <Paths><Path name=\"x\" path=\"y\"/></Paths>\n";
    const char* cases[] = {
        "  <Scenes>\n    <Scene name=\"A\" path=\"a.gltf\"/>\n  </Scenes>\n</Resources>\n",
        "  <Scenes></Scenes>\n</Resources>\n",
        "  <Scenes/>\n</Resources>\n",
        "</Resources>\n",
        "  <Scenes>\n    <Scene name=\"Ship\" path=\"old.gltf\"/>\n  </Scenes>\n</Resources>\n",
    };
    for (const char* tail : cases) {
        SCOPED_TRACE(tail);
        testing_support::TempDir show;
        std::filesystem::create_directories(show.path() / "resources");
        std::ofstream(show.path() / "resources" / "resources.xml") << head << tail;
        std::string error;
        ASSERT_TRUE(addSceneToManifest(show.path(), "Ship", "resources/scenes/Ship.gltf", &error)) << error;
        const std::string text = testing_support::readFile(show.path() / "resources" / "resources.xml");
        EXPECT_EQ(text.rfind(head, 0), 0u) << text;
        pugi::xml_document document;
        ASSERT_TRUE(document.load_string(text.c_str()));
        int ships = 0, scenes = 0;
        for (pugi::xml_node list : document.child("Resources").children("Scenes")) {
            ++scenes;
            for (pugi::xml_node scene : list.children("Scene")) {
                if (std::string(scene.attribute("name").value()) != "Ship") continue;
                ++ships;
                EXPECT_STREQ(scene.attribute("path").value(), "resources/scenes/Ship.gltf");
            }
        }
        EXPECT_EQ(scenes, 1) << text;
        EXPECT_EQ(ships, 1) << text;
        EXPECT_FALSE(std::filesystem::exists(show.path() / "resources" / "resources.xml.demo-import"));
    }
    testing_support::TempDir empty;
    std::string error;
    EXPECT_FALSE(addSceneToManifest(empty.path(), "Ship", "x", &error));
    ShowManifest manifest;
    EXPECT_FALSE(readShowManifest(empty.path(), &manifest, &error));
    EXPECT_NE(error.find("run demo-import in a show's folder"), std::string::npos) << error;
}

}  // namespace
