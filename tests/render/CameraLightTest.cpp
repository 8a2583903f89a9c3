// Cameras and lights: lens geometry, placement modes, viewport fitting, stored forms.
#include "Frames.h"
#include "MemoryStream.h"
#include "app/OrvoPrefs.h"
#include "app/OrvoSceneManager.h"
#include "app/Registration.h"

namespace fw {

TEST(Camera, LensGivesFieldOfViewFrustumAndRaysAndEachModePlacesItAndFitsTheViewport) {
    SceneX scene;
    auto* camera = new CameraX(scene, "Cam");
    EXPECT_NEAR(camera->fieldOfView(), 2 * std::atan(0.35) * 180 / M_PI, 1e-5);  // 38.58
    EXPECT_EQ((std::array{camera->setFieldOfView(90), camera->setFieldOfView(0), camera->setLens(-1)}),
              (std::array{true, false, false}));
    EXPECT_NEAR(camera->lens(), 17.5, 1e-5);
    camera->translate[2] = 100;  // node transform (the default mode) places it on +Z
    double hw, hh;
    camera->aspect = 2;
    camera->frustumAt(10, hw, hh);
    test::expectNear({hw, hh}, {10, 5}, 1e-5);  // 35 * 10 / (2 * 17.5)
    double n[3], f[3];
    camera->imageRay(0.5, 0.5, n, f);
    EXPECT_NEAR(n[2], 99.9, 1e-9);
    EXPECT_NEAR(f[2], 100 - 30000, 1e-6);
    camera->imageRay(1, 0, n, f);  // bottom-right corner of the near plane
    test::expectNear({n[0], n[1]}, {0.1, -0.05}, 1e-6);
    camera->setProjection(Camera::kOrthographic);
    camera->imageRay(0, 1, n, f);
    test::expectNear({n[0], f[1]}, {-200, 100}, 1e-9);  // top = half the width over the aspect
    camera->setMode(Camera::kOrbit);
    camera->target[0] = 5;
    camera->distance = 10;
    camera->tumbleLeftRight = 90;
    glm::dmat4 m = camera->cameraToWorld();
    test::expectNear({m[3][0], m[2][0]}, {15, 1}, 1e-9);  // swung round to +X of the target, looking back along -X
    camera->setMode(Camera::kLookAt);
    camera->eye[0] = 0, camera->eye[1] = 10, camera->eye[2] = 10;
    camera->target[0] = 0;
    m = camera->cameraToWorld();
    // Looking down at 45 degrees and level: right stays horizontal.
    test::expectNear({-m[2][1], -m[2][2], m[0][0]}, {-std::sqrt(0.5), -std::sqrt(0.5), 1}, 1e-9);
    camera->setMode(Camera::kHandheld);
    std::vector<glm::dvec3> points = {{-1, -1, -1}, {1, 1, 1}};
    double box[6];
    camera->frame(points, box);
    EXPECT_NEAR((box[2] + box[5]) / 2, -std::sqrt(200.0), 1e-6);  // the centre lies straight ahead
    // Left, top, right, bottom: the fitted side ends on its last pixel.
    auto fit = [&](int width) {
        const Camera::Rect r = camera->fitViewport({0, 0, width, 500});
        return std::array{r.left, r.top, r.right, r.bottom};
    };
    EXPECT_EQ(std::tuple(fit(1000), fit(1200)[0], fit(1200)[2]), std::tuple(std::array{0, 0, 1000, 499}, 100, 1099));
    camera->underScan = 0.1;
    EXPECT_EQ(fit(1000), (std::array{50, 25, 950, 474}));
}

// The stored form of spot and ambient lights, the camera's and the light's distances sharing a keyword included, is
// resaved byte for byte from the conformance scene; here what reading does with odd values.
TEST(Light, ReadingClampsSpotConesAndStopsAtUnknownTypes) {
    SceneX scene;
    auto* spot = new LightX(scene, "Spot");
    test::readLines(*spot, "type SPOT\nangles 40 20\nlens-type ABCDEFGHIJ\nmode LOOKAT\n");
    EXPECT_EQ(std::pair(spot->spotInnerCos, spot->lensType()), std::pair(spot->spotOuterCos, std::string("ABCDEFG")));
    EXPECT_THAT(test::writtenBlock(*spot), ::testing::HasSubstr("  angles 40.000000 40.000000\n"));
    spot->setType(7);  // ignored
    EXPECT_EQ(spot->type(), Light::kSpot);
    auto* bad = new LightX(scene, "Bad");
    test::readLines(*bad, "type HALOGEN\nintensity 3\n");
    EXPECT_EQ(bad->intensity, 1.0);  // the block stopped at the unknown type
}

TEST(Light, SharedShadowSampleTables) {
    EXPECT_EQ(Light::sampleTable(0).size(), 1u);
    int level = 1;
    for (size_t size : {4, 16, 36, 64, 144, 256}) {
        const auto& table = Light::sampleTable(level++);
        ASSERT_EQ(table.size(), size);
        for (const auto& d : table)  // flat: taps on a disk
            EXPECT_TRUE(d[1] == 0 && d[0] * d[0] + d[2] * d[2] <= 1 + 1e-12) << d[0] << ", " << d[1] << ", " << d[2];
    }
}

TEST(DefaultMembers, NewScenesGetACameraAndLightsAndEverySceneTheViewCameras) {
    registerAllClasses();
    OrvoPrefs prefs;
    OrvoSceneManager manager(prefs);
    manager.newScene();
    SceneX& scene = *manager.scene();
    for (const char* name : {"dflt_cam", "Ambient", "Light 1", "|CamFront", "|CamBottom", "|CamAlt2"})
        EXPECT_NE(scene.findMember(name), nullptr) << name;
    EXPECT_EQ(std::pair(scene.memberCount(kCameraKind), scene.memberCount(kLightKind)), std::pair(9, 2));
    manager.runFixUps();  // running again adds nothing
    EXPECT_EQ(scene.memberCount(kCameraKind), 9);
}

}  // namespace fw
