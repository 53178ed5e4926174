// Start-up and shutdown of the plug-in's modules, in their fixed order.
#pragma once

// Host binding, then the device module, then the player module.
void InitializeModules() noexcept;
// The same modules in reverse order; only once after each InitializeModules.
void FinalizeModules() noexcept;
