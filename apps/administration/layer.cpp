// Application layer: until it is built, the phase callback does nothing.
int AppLayerPhase(int /*phase*/) { return 0; }
