<%-- expect: total=22 exec=15 comment=7 blank=0 --%>
<%@ page contentType="text/html; charset=UTF-8" %>
<%@ taglib prefix="c" uri="http://java.sun.com/jsp/jstl/core" %>
<html>
<head><title>Orders</title></head>
<body>
<%--
  A JSP comment: it never reaches the page.

--%>
<!-- An HTML comment, sent to the browser. -->
<%
    // Java inside a scriptlet
    String title = "Orders <!-- not a comment -->";
    int count = 3; /* trailing */
%>
<h1><%= title %></h1>
<c:forEach var="o" items="${orders}">
  <p>${o.id}: ${o.name}</p>
</c:forEach>
</body>
</html>
