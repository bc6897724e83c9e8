// expect: total=21 exec=11 comment=6 blank=4
#import "AppDelegate.h"

/*
 * The application's delegate: a "quote" in a comment.

 */
@implementation AppDelegate

- (BOOL)application:(UIApplication *)app didFinishLaunchingWithOptions:(NSDictionary *)options
{
    NSString *url = @"http://example.org/path"; // the // inside is text
    NSString *note = @"a \"note\" /* not a comment */";
    unichar quote = '"';
    NSLog(@"%@ %@ %C", url, note, quote); /* log it */

    // a comment only
    return YES;
}

@end
