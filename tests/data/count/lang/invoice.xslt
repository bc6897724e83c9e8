<!-- expect: total=24 exec=15 comment=6 blank=3 -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" indent="yes"/>

  <!--
    Turns an invoice into a table.

  -->
  <xsl:template match="/invoice">
    <table>
      <xsl:apply-templates select="line"/> <!-- one row a line -->
    </table>
  </xsl:template>

  <xsl:template match="line">
    <tr>
      <td><xsl:value-of select="@name"/></td>
      <td><xsl:value-of select="format-number(@price, '0.00')"/></td>
    </tr>
  </xsl:template>

  <!-- a comment line -->
  <xsl:template name="note"><![CDATA[ <!-- kept as text --> ]]></xsl:template>
</xsl:stylesheet>
