# expect: total=24 exec=14 comment=6 blank=4
{ pkgs ? import <nixpkgs> {} }:

/*
  The shop's package.

*/
pkgs.stdenv.mkDerivation {
  pname = "shop";
  version = "1.0";
  src = ./.;

  nativeBuildInputs = [ pkgs.cmake ]; # build tools
  buildInputs = [ pkgs.qt6.qtbase ];

  meta.description = "A shop # not a comment";
  postInstall = ''
    # a shell comment inside an indented string
    mkdir -p $out/share/shop

  '';
  # a comment line
  url = "https://example.org/#top";
}
