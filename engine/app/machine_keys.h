// Machine keys: the read-only keys under "/machine" that compute their values
// from the display and the GL driver each time they are read.
//
//   /machine/resolution  x, y           window surface size (int)
//   /machine             orientation    display orientation in degrees (int)
//                        platform       "maemo" (string)
//   /machine/gl          fbo glsl vbo pvr dxtc etc   capability flags (bool)
//                        texsize tmu    maximum texture size, texture units (int)
//                        vendor renderer version     driver strings (string)
//
// Before the application, its display or the GL context exist they read 0,
// false or "", so a registry can be used without a window.
#pragma once

#include "engine/core/registry.h"

namespace Voke {

class MachineKeyResolutionX : public RegistryKeyProtectedInt {
public:
    Any Get() const override;
};

class MachineKeyResolutionY : public RegistryKeyProtectedInt {
public:
    Any Get() const override;
};

// The display reports 1, 2, 4 or 8; the key gives 0, 90, 180 or 270, and 0
// for anything else.
class MachineKeyOrientation : public RegistryKeyProtectedInt {
public:
    Any Get() const override;
    static int ToDegrees(int orientation);
};

class MachineKeyPlatform : public RegistryKeyProtectedString {
public:
    Any Get() const override;
};

class MachineKeyGL_FBO : public RegistryKeyProtectedBool {
public:
    Any Get() const override;
};

class MachineKeyGL_GLSL : public RegistryKeyProtectedBool {
public:
    Any Get() const override;
};

class MachineKeyGL_VBO : public RegistryKeyProtectedBool {
public:
    Any Get() const override;
};

class MachineKeyGL_PVR : public RegistryKeyProtectedBool {
public:
    Any Get() const override;
};

class MachineKeyGL_DXTC : public RegistryKeyProtectedBool {
public:
    Any Get() const override;
};

class MachineKeyGL_ETC : public RegistryKeyProtectedBool {
public:
    Any Get() const override;
};

class MachineKeyGLTextureSize : public RegistryKeyProtectedInt {
public:
    Any Get() const override;
};

class MachineKeyGLTextureUnits : public RegistryKeyProtectedInt {
public:
    Any Get() const override;
};

class MachineKeyGLVendor : public RegistryKeyProtectedString {
public:
    Any Get() const override;
};

class MachineKeyGLRenderer : public RegistryKeyProtectedString {
public:
    Any Get() const override;
};

class MachineKeyGLVersion : public RegistryKeyProtectedString {
public:
    Any Get() const override;
};

// Creates the "/machine" keys in `registry` (resolution x and y; orientation
// and platform; the GL keys), replacing any installed before. The game calls
// it right after creating the registry.
void InstallMachineKeys(Registry& registry);

}  // namespace Voke
