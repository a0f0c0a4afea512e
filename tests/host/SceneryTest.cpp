// Scenery objects and instances in the host: what X-Plane refuses to load,
// loads that land on a later frame, the library, instances that need a loaded
// object, and what a plugin leaves behind.

#include "HostFixture.h"

#include "XPLMInstance.h"
#include "XPLMScenery.h"


#include <fstream>
#include <cstdio>
#include <iterator>
#include <vector>

#include <fstream>

namespace {

// A triangle, valid.
const char kTriangle[] =
    "I\n800\nOBJ\n\nPOINT_COUNTS 3 0 0 3\n"
    "VT 0 0 0 0 1 0 0 0\nVT 1 0 0 0 1 0 1 0\nVT 0 0 1 0 1 0 0 1\n"
    "IDX 0\nIDX 1\nIDX 2\nTRIS 0 3\n";

class Scenery : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        xphost::setXPlaneDir(dir_);
    }
    void write(const std::string& rel, const std::string& text) {
        const size_t slash = rel.rfind('/');
        if (slash != std::string::npos) std::filesystem::create_directories(dir_ + "/" + rel.substr(0, slash));
        std::ofstream(dir_ + "/" + rel) << text;
    }
    static std::string replace(std::string s, const std::string& from, const std::string& to) {
        const size_t p = s.find(from);
        if (p != std::string::npos) s.replace(p, from.size(), to);
        return s;
    }
};

TEST_F(Scenery, LoadsWhatXPlaneLoadsAndRefusesMalformedObjects) {
    const std::string t = kTriangle;
    struct Case {
        const char* name;
        std::string text;
        bool loads;
    } cases[] = {
        {"valid", t, true},
        {"DOS line ends", replace(replace(t, "I\n", "A\r\n"), "OBJ\n", "OBJ\r\n"), true},
        {"attributes are not load-relevant", replace(t, "TRIS", "ATTR_no_cull\nTRIS"), true},
        {"version 700", replace(t, "800", "700"), false},
        {"not an OBJ", replace(t, "OBJ\n", "FAC\n"), false},
        {"empty", "", false},
        {"no counts", replace(t, "POINT_COUNTS 3 0 0 3\n", ""), false},
        {"a vertex short", replace(t, "VT 0 0 1 0 1 0 0 1\n", ""), false},
        {"a vertex too many", replace(t, "IDX 0", "VT 0 0 0 0 1 0 0 0\nIDX 0"), false},
        {"index outside the vertices", replace(t, "IDX 2", "IDX 3"), false},
        {"TRIS past the indices", replace(t, "TRIS 0 3", "TRIS 3 3"), false},
        {"TRIS not whole triangles", replace(t, "TRIS 0 3", "TRIS 0 2"), false},
        {"VT with a word", replace(t, "VT 1 0 0", "VT one 0 0"), false},
        {"negative count", replace(t, "POINT_COUNTS 3", "POINT_COUNTS -3"), false},
    };
    for (const Case& c : cases) {
        write("Custom Scenery/objs/case.obj", c.text);
        XPLMObjectRef obj = XPLMLoadObject("Custom Scenery/objs/case.obj");
        EXPECT_EQ(obj != nullptr, c.loads) << c.name;
        if (obj) XPLMUnloadObject(obj);
    }
    EXPECT_EQ(XPLMLoadObject("Custom Scenery/objs/missing.obj"), nullptr);
    // Paths are relative to the X-Plane folder, whatever they start with.
    write("Custom Scenery/objs/case.obj", t);
    EXPECT_EQ(XPLMLoadObject((dir_ + "/Custom Scenery/objs/case.obj").c_str()), nullptr);
    EXPECT_TRUE(xphost::loadedObjects().empty());
}

TEST_F(Scenery, ShippedModelsLoad) {
    for (const char* m : {"aircraft", "helicopter", "ground_vehicle", "ship", "munition", "person"}) {
        const std::string file = std::string("volax_") + m + ".obj";
        std::ifstream in(std::string(VOLAX_MODELS_DIR) + "/" + file);
        write("models/" + file, std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
        XPLMObjectRef obj = XPLMLoadObject(("models/" + file).c_str());
        EXPECT_NE(obj, nullptr) << file;
        XPLMUnloadObject(obj);
    }
}

TEST_F(Scenery, AsyncLoadsLandOnALaterFrameAndWaitForAnEnabledPlugin) {
    write("objs/t.obj", kTriangle);
    volax::test::setEnv("HOSTTEST_OBJ", "objs/t.obj");
    const int p = load(HOSTTEST_PLUGIN);
    xphost::selectMenuItem("HostTest", "Obj async");
    EXPECT_TRUE(logHas("HostTest: objasync returned"));
    EXPECT_FALSE(logHas("HostTest: loaded"));
    xphost::runFrames(1);
    EXPECT_EQ(logCount("HostTest: loaded object async"), 1u);

    // A disabled plugin gets its callback once it is enabled again.
    xphost::selectMenuItem("HostTest", "Obj async");
    xphost::disablePlugin(p);
    xphost::runFrames(3);
    EXPECT_EQ(logCount("HostTest: loaded object async"), 1u);
    EXPECT_TRUE(xphost::enablePlugin(p));
    xphost::runFrames(1);
    EXPECT_EQ(logCount("HostTest: loaded object async"), 2u);

    volax::test::setEnv("HOSTTEST_OBJ", "objs/none.obj");
    xphost::selectMenuItem("HostTest", "Obj async");
    xphost::runFrames(1);
    EXPECT_TRUE(logHas("HostTest: loaded null async"));
    volax::test::unsetEnv("HOSTTEST_OBJ");
}

TEST_F(Scenery, InstancesNeedALoadedObjectAndKeepIt) {
    write("objs/t.obj", kTriangle);
    volax::test::setEnv("HOSTTEST_OBJ", "objs/t.obj");
    load(HOSTTEST_PLUGIN);
    xphost::selectMenuItem("HostTest", "Instance");  // nothing loaded yet
    EXPECT_TRUE(logHas("HostTest: instance null"));
    EXPECT_TRUE(xphost::drawnInstances().empty());

    xphost::selectMenuItem("HostTest", "Obj");
    xphost::selectMenuItem("HostTest", "Instance");
    ASSERT_EQ(xphost::drawnInstances().size(), 1u);
    const xphost::DrawnInstance d = xphost::drawnInstances()[0];
    EXPECT_EQ(d.model, "objs/t.obj");
    EXPECT_TRUE(d.placed);
    EXPECT_EQ(d.x, 10);
    EXPECT_EQ(d.y, 20);
    EXPECT_EQ(d.z, -30);
    EXPECT_EQ(d.heading, 90);

    // The plugin's last unload does not take the object from its instance.
    xphost::selectMenuItem("HostTest", "Unload");
    ASSERT_EQ(xphost::loadedObjects().size(), 1u);
    EXPECT_EQ(xphost::loadedObjects()[0].loads, 0);
    EXPECT_EQ(xphost::loadedObjects()[0].instances, 1);
    xphost::selectMenuItem("HostTest", "Destroy instance");
    EXPECT_TRUE(xphost::drawnInstances().empty());
    EXPECT_TRUE(xphost::loadedObjects().empty());
    volax::test::unsetEnv("HOSTTEST_OBJ");
}

TEST_F(Scenery, WhatAnUnloadedPluginLeftIsReportedAndReleased) {
    write("objs/t.obj", kTriangle);
    volax::test::setEnv("HOSTTEST_OBJ", "objs/t.obj");
    load(HOSTTEST_PLUGIN);
    xphost::selectMenuItem("HostTest", "Obj");
    xphost::selectMenuItem("HostTest", "Obj");
    xphost::selectMenuItem("HostTest", "Instance");
    xphost::selectMenuItem("HostTest", "Obj async");  // never delivered
    xphost::setOutputDir(dir_);
    xphost::unloadAll();
    xphost::setOutputDir("");
    std::ifstream in(dir_ + "/Log.txt");
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("plugin HostTest left 1 instance(s) without XPLMDestroyInstance; destroyed"), std::string::npos)
        << log;
    EXPECT_NE(log.find("plugin HostTest left 2 object load(s) without XPLMUnloadObject; released"), std::string::npos)
        << log;
    EXPECT_TRUE(xphost::drawnInstances().empty());
    EXPECT_TRUE(xphost::loadedObjects().empty());
    EXPECT_EQ(xphost::pendingObjectLoads(), 0);
    volax::test::unsetEnv("HOSTTEST_OBJ");
}

TEST_F(Scenery, LibraryPathsResolveThroughLibraryFiles) {
    write("Custom Scenery/B pack/library.txt",
          "A\n800\nLIBRARY\n\nEXPORT volax/traffic/jet.obj objects/jet.obj\n"
          "EXPORT_EXTEND volax/traffic/jet.obj objects/jet 2.obj\n");
    write("Resources/default scenery/lib/library.txt", "A\n800\nLIBRARY\nEXPORT volax/traffic/truck.obj truck.obj\n");
    volax::test::setEnv("HOSTTEST_LIB", "volax/traffic/jet.obj");
    load(HOSTTEST_PLUGIN);
    xphost::selectMenuItem("HostTest", "Lookup");
    EXPECT_TRUE(logHas("HostTest: library Custom Scenery/B pack/objects/jet.obj ref"));
    EXPECT_TRUE(logHas("HostTest: library Custom Scenery/B pack/objects/jet 2.obj ref"));
    EXPECT_TRUE(logHas("HostTest: lookup 2"));
    volax::test::setEnv("HOSTTEST_LIB", "volax/traffic/truck.obj");
    xphost::selectMenuItem("HostTest", "Lookup");
    EXPECT_TRUE(logHas("HostTest: library Resources/default scenery/lib/truck.obj ref"));
    volax::test::setEnv("HOSTTEST_LIB", "volax/traffic/ship.obj");
    xphost::selectMenuItem("HostTest", "Lookup");
    EXPECT_TRUE(logHas("HostTest: lookup 0"));
    volax::test::unsetEnv("HOSTTEST_LIB");
}

void collect(const char* path, void* ref) { static_cast<std::vector<std::string>*>(ref)->push_back(path); }

// Custom packages come before the default scenery, in scenery_packs.ini order
// (packs it does not list first, disabled ones not at all), or by name
// without it; a backup export counts only when no package exports the path.
TEST_F(Scenery, LookupsFollowTheSceneryPacksOrder) {
    for (std::string p : {"A", "B", "C", "N"})
        write("Custom Scenery/" + p + " pack/library.txt", "A\n800\nLIBRARY\nEXPORT v/x.obj " + p + ".obj\n");
    write("Resources/default scenery/lib/library.txt", "EXPORT v/x.obj D.obj\nEXPORT_BACKUP v/z.obj Z.obj\n");
    const std::string ini = "SCENERY_PACK Custom Scenery/B pack/\nSCENERY_PACK *GLOBAL_AIRPORTS*\n"
                            "SCENERY_PACK_DISABLED Custom Scenery/C pack/\nSCENERY_PACK " + dir_ + "/Custom Scenery/A pack/\r\n";
    struct Case {
        std::string ini, order;  // ini "": none
    } cases[] = {{"", "ABCND"}, {ini, "NBAD"}};
    for (const Case& c : cases) {
        std::remove((dir_ + "/Custom Scenery/scenery_packs.ini").c_str());
        if (!c.ini.empty()) write("Custom Scenery/scenery_packs.ini", c.ini);
        xphost::setXPlaneDir(dir_);  // read the library again
        std::vector<std::string> found;
        XPLMLookupObjects("v/x.obj", 47, 8, collect, &found);
        std::string order;
        for (const std::string& f : found) order += f[f.size() - 5];
        EXPECT_EQ(order, c.order) << c.ini;
    }
    std::vector<std::string> found;
    XPLMLookupObjects("v/z.obj", 47, 8, collect, &found);
    EXPECT_EQ(found, std::vector<std::string>{"Resources/default scenery/lib/Z.obj"}) << "nobody else exports it";
    write("Custom Scenery/A pack/library.txt", "EXPORT v/z.obj A.obj\n");
    xphost::setXPlaneDir(dir_);
    found.clear();
    XPLMLookupObjects("v/z.obj", 47, 8, collect, &found);
    EXPECT_EQ(found, std::vector<std::string>{"Custom Scenery/A pack/A.obj"}) << "the backup steps aside";
}

}  // namespace
