# expect: total=27 exec=17 comment=8 blank=2
# @summary Installs and runs the shop.
#
# @param port the port the shop listens on
class shop (
  Integer $port = 8080,  # the default port
  String  $home = '/srv/shop # not a comment',
) {
  /*
    The package and its service.

  */
  package { 'shop':
    ensure => installed,
  }

  file { "${home}/shop.conf":
    ensure  => file,
    content => "port = ${port}\n# a line of the file, not of the manifest\n",
    require => Package['shop'],
  }

  service { 'shop':
    ensure    => running,
    subscribe => File["${home}/shop.conf"], /* restart on change */
  }
}
