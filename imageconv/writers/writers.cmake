# Format writers other than BMP, added to the vantoria_imageconv library.
set(VANTORIA_WRITER_SOURCES
    writers/Pending.cpp
)
set(VANTORIA_WRITER_LIBS)
