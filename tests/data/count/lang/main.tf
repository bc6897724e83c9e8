# expect: total=25 exec=16 comment=6 blank=3
terraform {
  required_version = ">= 1.5"
}

// The provider.
provider "aws" {
  region = var.region # trailing comment
}

/*
  The shop's bucket.

*/
resource "aws_s3_bucket" "shop" {
  bucket = "shop-${var.env} # not a comment"
  tags = {
    Name = "shop // bucket" /* inline */
  }
}

variable "region" {
  type    = string
  default = "eu-central-1"
}
