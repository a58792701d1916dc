// Compiled only to make the precompiled headers other targets reuse.
