#include "Kch_CameraChannel.h"

#include <cmath>
#include <numbers>

#include "Orn_Guids.h"
#include "TypeRecords.h"

Kch_CameraChannel::Kch_CameraChannel() { SetLinkInterface(orn_guid::kCameraChannel); }

const ChannelType* Kch_CameraChannel::GetChannelType() {
    static const ChannelType type = orn_detail::MakeType(
        "Camera", OrnGuidOf("{A7C3E9F1-2B54-4D86-9E0A-6C1F8B3D5E29}"), orn_guid::kCameraChannel);
    return &type;
}

XMMATRIX Kch_CameraChannel::GetViewMatrix() { return view; }

bool Kch_CameraChannel::IsBoxVisible(const XMFLOAT4& minimum, const XMFLOAT4& maximum) {
    lastMinimum = minimum;
    lastMaximum = maximum;
    ++boxQueries;

    // The eight corners in camera space.
    double corner[8][3];
    for (int i = 0; i < 8; ++i) {
        const double p[3] = {(i & 1) ? maximum.x : minimum.x, (i & 2) ? maximum.y : minimum.y,
                             (i & 4) ? maximum.z : minimum.z};
        for (int c = 0; c < 3; ++c) {
            corner[i][c] = p[0] * view.m[0][c] + p[1] * view.m[1][c] + p[2] * view.m[2][c] +
                           view.m[3][c];
        }
    }
    const double tanY = std::tan(fovDegrees * std::numbers::pi / 360.0);
    const double tanX = tanY * aspect;
    // Each plane as "outside when this is positive"; a NaN corner is never outside.
    const auto outside = [&](int plane, const double* v) {
        switch (plane) {
            case 0: return nearDistance - v[2] > 0;
            case 1: return v[2] - farDistance > 0;
            case 2: return v[0] - v[2] * tanX > 0;
            case 3: return -v[0] - v[2] * tanX > 0;
            case 4: return v[1] - v[2] * tanY > 0;
            default: return -v[1] - v[2] * tanY > 0;
        }
    };
    for (int plane = 0; plane < 6; ++plane) {
        bool allOutside = true;
        for (int i = 0; i < 8 && allOutside; ++i) allOutside = outside(plane, corner[i]);
        if (allOutside) return false;
    }
    return true;
}

void Kch_CameraChannel::SetViewMatrix(const XMMATRIX& newView) {
    view = newView;
    SetTimeStamp();
}

void Kch_CameraChannel::SetProjection(float fov, float newAspect, float nearD, float farD) {
    fovDegrees = fov;
    aspect = newAspect;
    nearDistance = nearD;
    farDistance = farD;
    SetTimeStamp();
}
