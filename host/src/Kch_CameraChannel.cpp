#include "Kch_CameraChannel.h"

#include <cmath>
#include <numbers>

#include "Orn_Guids.h"
#include "TypeRecords.h"

Kch_CameraChannel::Kch_CameraChannel() {
    SetLinkInterface(orn_guid::kCameraChannel);
    UpdateViewPlanes();
}

void Kch_CameraChannel::UpdateViewPlanes() {
    tanY = std::tan(fovDegrees * std::numbers::pi / 360.0);
    tanX = tanY * aspect;
}

const ChannelType* Kch_CameraChannel::GetChannelType() {
    static const ChannelType type = orn_detail::MakeType(
        "Camera", OrnGuidOf("{A7C3E9F1-2B54-4D86-9E0A-6C1F8B3D5E29}"), orn_guid::kCameraChannel);
    return &type;
}

XMMATRIX Kch_CameraChannel::GetViewMatrix() {
    return view;
}

bool Kch_CameraChannel::IsBoxVisible(const XMFLOAT4& minimum, const XMFLOAT4& maximum) {
    lastMinimum = minimum;
    lastMaximum = maximum;
    ++boxQueries;

    // The eight corners in camera space. Corner i takes x, y, z from the maximum where bit 0, 1,
    // 2 of i is set. Each coordinate is ((x·v0 + y·v1) + z·v2) + v3, in double; the products
    // and the partial sums depend on fewer than all three choices, so each is formed once.
    const double xs[2] = {minimum.x, maximum.x}, ys[2] = {minimum.y, maximum.y},
                 zs[2] = {minimum.z, maximum.z};
    double corner[8][3];
    for (int c = 0; c < 3; ++c) {
        const double xTerm[2] = {xs[0] * view.m[0][c], xs[1] * view.m[0][c]};
        const double yTerm[2] = {ys[0] * view.m[1][c], ys[1] * view.m[1][c]};
        const double zTerm[2] = {zs[0] * view.m[2][c], zs[1] * view.m[2][c]};
        for (int xy = 0; xy < 4; ++xy) {
            const double partial = xTerm[xy & 1] + yTerm[(xy >> 1) & 1];
            for (int z = 0; z < 2; ++z)
                corner[xy | (z << 2)][c] = (partial + zTerm[z]) + view.m[3][c];
        }
    }
    // Each plane as "outside when this is positive"; a NaN corner is never outside.
    const auto outside = [&](int plane, const double* v) {
        switch (plane) {
            case 0:
                return nearDistance - v[2] > 0;
            case 1:
                return v[2] - farDistance > 0;
            case 2:
                return v[0] - v[2] * tanX > 0;
            case 3:
                return -v[0] - v[2] * tanX > 0;
            case 4:
                return v[1] - v[2] * tanY > 0;
            default:
                return -v[1] - v[2] * tanY > 0;
        }
    };
    for (int plane = 0; plane < 6; ++plane) {
        bool allOutside = true;
        for (int i = 0; i < 8 && allOutside; ++i)
            allOutside = outside(plane, corner[i]);
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
    UpdateViewPlanes();
    SetTimeStamp();
}
