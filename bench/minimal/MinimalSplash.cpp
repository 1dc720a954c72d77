// The baseline of bench/startup.sh: the smallest FLTK program that shows the
// same 640 x 480 picture in a borderless window.
//   minimal_splash <picture.bmp>
#include <FL/Fl.H>
#include <FL/Fl_BMP_Image.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Window.H>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  Fl_BMP_Image picture(argv[1]);
  if (picture.w() <= 0) return 1;
  Fl_Window window(640, 480);
  window.clear_border();
  window.xclass("minimal");
  Fl_Box box(0, 0, 640, 480);
  box.image(&picture);
  window.end();
  window.position((Fl::w() - 640) / 2, (Fl::h() - 480) / 2);
  window.show();
  return Fl::run();
}
