#pragma once
// Makes every camera wrapper created while it lives use a simulated camera whose
// frames are pushed by the test.
#include "SimulatedCamera.h"

#include <QPointer>

class CameraFixture {
public:
    explicit CameraFixture(bool automaticDelivery = false)
    {
        cornix::video::SetFrameSourceMaker([this, automaticDelivery](const cornix::video::FrameSourceRequest &r) {
            auto camera = std::make_unique<cornix::video::SimulatedCamera>(r.role, 7);
            camera->setAutomaticDelivery(automaticDelivery);
            camera->setVariation(false);
            last = camera.get();
            return camera;
        });
    }
    ~CameraFixture() { cornix::video::SetFrameSourceMaker({}); }
    CameraFixture(const CameraFixture &) = delete;
    CameraFixture &operator=(const CameraFixture &) = delete;

    QPointer<cornix::video::SimulatedCamera> last; // the camera created most recently
};
